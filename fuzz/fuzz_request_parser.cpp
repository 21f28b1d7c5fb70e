#include "ByteWriter.h"
#include "PacketAssembler.h"
#include "RequestParser.h"
#include "TextCodec.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

// Input: the first byte picks what the rest is.
//  0: a client byte stream, cut into chunks as the network would deliver it;
//  1: one request payload, given to every parser;
//  2: the fields of a LOGIN7 that is built, framed, reassembled and parsed back;
//  3: a SQL batch text and an RPC procedure name, built, framed, reassembled and parsed back.

namespace tovik::test {

namespace {

using namespace tovik::sampleserver;

constexpr std::size_t kLogin7DataStart = 94;
constexpr std::size_t kAllHeadersSize = 22;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

ByteView viewOf(const std::vector<std::uint8_t> &bytes)
{
    return ByteView(bytes.data(), bytes.size());
}

// UTF-16 needs at most three UTF-8 bytes for each of its two-byte units.
bool fitsPayload(const std::string &text, ByteView payload)
{
    return text.size() <= payload.size() / 2 * 3;
}

void parseAll(ByteView payload)
{
    if (const auto login = RequestParser::parseLogin7(payload)) {
        for (const std::string *text :
            {&login->hostName, &login->userName, &login->password, &login->appName,
                &login->serverName, &login->libraryName, &login->language, &login->database})
            require(fitsPayload(*text, payload));
    }
    if (const auto batch = RequestParser::parseSqlBatch(payload))
        require(fitsPayload(batch->text, payload));
    RequestParser::parsePrelogin(payload);
    RequestParser::parseRpc(payload);
    RequestParser::parseTransaction(payload);
    require(RequestParser::parseAttention(payload) == payload.empty());
}

std::vector<TdsMessage> assemble(
    ByteView stream, const std::vector<std::size_t> &cuts, bool *failed)
{
    PacketAssembler assembler;
    std::vector<TdsMessage> messages;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t to
            = i < cuts.size() ? std::min(stream.size(), from + cuts[i]) : stream.size();
        assembler.feed(stream.subspan(from, to - from));
        from = to;
        while (auto message = assembler.nextMessage())
            messages.push_back(std::move(*message));
    }
    *failed = assembler.failed();
    return messages;
}

bool sameMessages(const std::vector<TdsMessage> &a, const std::vector<TdsMessage> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].payload != b[i].payload)
            return false;
    }
    return true;
}

// However the network cuts a stream, the same requests come out of it.
void checkStream(FuzzedDataProvider &input)
{
    std::vector<std::size_t> cuts;
    const int cutCount = input.ConsumeIntegralInRange<int>(0, 16);
    for (int i = 0; i < cutCount; ++i)
        cuts.push_back(input.ConsumeIntegralInRange<std::size_t>(0, 5000));
    const std::vector<std::uint8_t> stream = input.ConsumeRemainingBytes<std::uint8_t>();
    bool wholeFailed = false;
    bool cutFailed = false;
    const auto whole = assemble(viewOf(stream), {}, &wholeFailed);
    const auto cut = assemble(viewOf(stream), cuts, &cutFailed);
    require(sameMessages(whole, cut));
    require(wholeFailed == cutFailed);
    std::size_t payloadBytes = 0;
    for (const TdsMessage &message : whole) {
        payloadBytes += message.payload.size();
        parseAll(ByteView(message.payload.data(), message.payload.size()));
    }
    require(payloadBytes <= stream.size());
}

// Packets as a client sends them: its own type, the end bit on the last packet only.
Bytes frameRequest(PacketType type, ByteView payload, std::size_t packetSize)
{
    const std::size_t perPacket = packetSize - PacketAssembler::kHeaderSize;
    ByteWriter out;
    std::size_t offset = 0;
    do {
        const std::size_t chunk = std::min(perPacket, payload.size() - offset);
        const bool last = offset + chunk == payload.size();
        out.u8(static_cast<std::uint8_t>(type));
        out.u8(last ? 0x01 : 0x00);
        out.u16be(static_cast<std::uint16_t>(chunk + PacketAssembler::kHeaderSize));
        out.u16be(0);
        out.u8(1);
        out.u8(0);
        out.bytes(payload.subspan(offset, chunk));
        offset += chunk;
    } while (offset < payload.size());
    return out.take();
}

// The payload back out of the assembler after framing it at a fuzzed packet size.
Bytes roundTrip(FuzzedDataProvider &input, PacketType type, const Bytes &payload)
{
    const std::size_t packetSize = input.ConsumeIntegralInRange<std::size_t>(
        PacketAssembler::kHeaderSize + 1, PacketAssembler::kMaxPacketSize);
    const Bytes stream = frameRequest(type, viewOf(payload), packetSize);
    std::vector<std::size_t> cuts;
    for (int i = input.ConsumeIntegralInRange<int>(0, 8); i > 0; --i)
        cuts.push_back(input.ConsumeIntegralInRange<std::size_t>(0, 9000));
    bool failed = false;
    const auto messages = assemble(viewOf(stream), cuts, &failed);
    require(!failed && messages.size() == 1 && messages[0].type == type);
    return messages[0].payload;
}

std::u16string takeText(FuzzedDataProvider &input, std::size_t maxBytes)
{
    return TextCodec::toUtf16(input.ConsumeRandomLengthString(maxBytes));
}

std::uint8_t obfuscated(std::uint8_t byte)
{
    const auto swapped = static_cast<std::uint8_t>((byte << 4) | (byte >> 4));
    return swapped ^ 0xA5;
}

struct Login7Fields
{
    std::u16string texts[9]; // host, user, password, app, server, extension, library, language, db
    std::uint32_t version = 0;
    std::uint32_t packetSize = 0;
    std::uint8_t optionFlags2 = 0;
};

Bytes buildLogin7(const Login7Fields &fields)
{
    ByteWriter data;
    ByteWriter out;
    out.u32le(0);
    out.u32le(fields.version);
    out.u32le(fields.packetSize);
    for (int i = 0; i < 13; ++i)
        out.u8(0);
    out.u8(fields.optionFlags2);
    while (out.size() < 36)
        out.u8(0);
    std::size_t offset = kLogin7DataStart;
    for (int i = 0; i < 9; ++i) {
        out.u16le(static_cast<std::uint16_t>(offset));
        out.u16le(static_cast<std::uint16_t>(fields.texts[i].size()));
        ByteWriter text;
        text.utf16(fields.texts[i]);
        for (std::uint8_t byte : text.data())
            data.u8(i == 2 ? obfuscated(byte) : byte);
        offset += fields.texts[i].size() * 2;
    }
    while (out.size() < kLogin7DataStart)
        out.u8(0);
    out.bytes(viewOf(data.data()));
    return out.take();
}

void checkLogin7(FuzzedDataProvider &input)
{
    Login7Fields fields;
    fields.version = input.ConsumeIntegral<std::uint32_t>();
    fields.packetSize = input.ConsumeIntegral<std::uint32_t>();
    fields.optionFlags2 = input.ConsumeIntegral<std::uint8_t>();
    for (std::u16string &text : fields.texts)
        text = takeText(input, 600);
    const Bytes payload = roundTrip(input, PacketType::Login7, buildLogin7(fields));
    const auto login = RequestParser::parseLogin7(viewOf(payload));
    require(login.has_value());
    require(login->tdsVersion == fields.version && login->packetSize == fields.packetSize);
    require(login->integratedSecurity == ((fields.optionFlags2 & 0x80) != 0));
    const std::string *parsed[9]
        = {&login->hostName, &login->userName, &login->password, &login->appName,
            &login->serverName, nullptr, &login->libraryName, &login->language, &login->database};
    for (int i = 0; i < 9; ++i) {
        if (parsed[i])
            require(*parsed[i] == TextCodec::toUtf8(fields.texts[i]));
    }
}

// ALL_HEADERS as FreeTDS sends it: one transaction descriptor header.
void allHeaders(ByteWriter &out)
{
    out.u32le(kAllHeadersSize);
    out.u32le(kAllHeadersSize - 4);
    out.u16le(2);
    out.u32le(0);
    out.u32le(0);
    out.u32le(1);
}

void checkBatchAndRpc(FuzzedDataProvider &input)
{
    const std::u16string sql = takeText(input, 20000);
    const std::u16string name = takeText(input, 300);
    const std::u16string procedure(TextCodec::truncated(name, 0xFFFE));
    ByteWriter batch;
    allHeaders(batch);
    batch.utf16(sql);
    const Bytes batchPayload = roundTrip(input, PacketType::SqlBatch, batch.data());
    const auto parsedBatch = RequestParser::parseSqlBatch(viewOf(batchPayload));
    require(parsedBatch && parsedBatch->text == TextCodec::toUtf8(sql));

    ByteWriter rpc;
    allHeaders(rpc);
    rpc.u16le(static_cast<std::uint16_t>(procedure.size()));
    rpc.utf16(procedure);
    rpc.u16le(0); // option flags
    const Bytes rpcPayload = roundTrip(input, PacketType::Rpc, rpc.data());
    const auto parsedRpc = RequestParser::parseRpc(viewOf(rpcPayload));
    require(parsedRpc && parsedRpc->procedure == TextCodec::toUtf8(procedure));
}

} // namespace

} // namespace tovik::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace tovik::test;
    if (size < 1)
        return 0;
    FuzzedDataProvider input(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        checkStream(input);
        break;
    case 1:
        parseAll(tovik::sampleserver::ByteView(data + 1, size - 1));
        break;
    case 2:
        checkLogin7(input);
        break;
    default:
        checkBatchAndRpc(input);
        break;
    }
    return 0;
}
