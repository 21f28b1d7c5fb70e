#include "db/ConnectionChoice.h"

#include "db/ConnectionDefaults.h"

namespace tovik {

ConnectionChoice ConnectionChoice::defaults()
{
    ConnectionChoice choice;
    choice.fields.SqlConnType = ConnectionDefaults::authChoices().first();
    choice.fields.SqlDbServer = ConnectionDefaults::server();
    choice.fields.SqlDatabase = ConnectionDefaults::database;
    choice.fields.SqlDbUser = ConnectionDefaults::user;
    choice.fields.SqlDbPort = ConnectionDefaults::port;
    return choice;
}

} // namespace tovik
