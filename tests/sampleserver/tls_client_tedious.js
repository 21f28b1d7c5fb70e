// Logs in to the sample server through tedious and prints the rows of one query, one JSON array
// of texts a line. On failure: the error on standard error and exit code 1.
// Arguments: PORT ENCRYPT(true|false|strict) CAFILE QUERY
'use strict';

const fs = require('fs');
const { Connection, Request } = require('tedious');

const [port, encrypt, caFile, query] = process.argv.slice(2);

function fail(error) {
  console.error(`${error.code || error.name}: ${error.message}`);
  process.exit(1);
}

const connection = new Connection({
  server: '127.0.0.1',
  authentication: { type: 'default', options: { userName: 'sa', password: '' } },
  options: {
    port: Number(port),
    database: 'SNMPCONLINE',
    encrypt: encrypt === 'strict' ? 'strict' : encrypt === 'true',
    trustServerCertificate: false,
    // The name the certificate is checked against (and sent as SNI).
    serverName: 'localhost',
    cryptoCredentialsDetails: { ca: fs.readFileSync(caFile) },
    connectTimeout: 10000,
  },
});

connection.on('connect', (error) => {
  if (error) {
    fail(error);
  }
  const request = new Request(query, (queryError) => {
    if (queryError) {
      fail(queryError);
    }
    connection.close();
  });
  request.on('row', (columns) => {
    console.log(JSON.stringify(columns.map((column) => (column.value === null ? null : String(column.value)))));
  });
  connection.execSql(request);
});
connection.connect();
