#include "RowSpool.h"

#include <cstring>

namespace tovik::sampleserver {

namespace {

enum Tag : char { kNull, kInteger, kReal, kText };

template<typename T>
void appendRaw(std::string &buffer, const T &value)
{
    buffer.append(reinterpret_cast<const char *>(&value), sizeof value);
}

void appendCell(std::string &buffer, const CellValue &cell)
{
    if (const auto *integer = std::get_if<std::int64_t>(&cell)) {
        buffer.push_back(kInteger);
        appendRaw(buffer, *integer);
    } else if (const auto *real = std::get_if<double>(&cell)) {
        buffer.push_back(kReal);
        appendRaw(buffer, *real);
    } else if (const auto *text = std::get_if<std::string>(&cell)) {
        buffer.push_back(kText);
        appendRaw(buffer, static_cast<std::uint64_t>(text->size()));
        buffer.append(*text);
    } else {
        buffer.push_back(kNull);
    }
}

} // namespace

RowSpool::RowSpool(std::size_t memoryBytes)
    : m_memoryBytes(memoryBytes)
{
}

bool RowSpool::append(const Row &row)
{
    m_columns = row.size();
    for (const CellValue &cell : row)
        appendCell(m_memory, cell);
    ++m_rows;
    return m_memory.size() <= m_memoryBytes || spill();
}

bool RowSpool::spill()
{
    if (!m_file)
        m_file.reset(std::tmpfile());
    if (!m_file
        || std::fwrite(m_memory.data(), 1, m_memory.size(), m_file.get()) != m_memory.size())
        return false;
    m_memory.clear();
    return true;
}

RowSpool::Reader RowSpool::reader()
{
    return Reader(*this);
}

RowSpool::Reader::Reader(RowSpool &spool)
    : m_spool(spool)
    , m_columns(spool.m_columns)
    , m_left(spool.m_rows)
    , m_inFile(spool.m_file != nullptr)
{
    if (m_inFile
        && (std::fflush(spool.m_file.get()) != 0
            || std::fseek(spool.m_file.get(), 0, SEEK_SET) != 0))
        m_left = 0;
}

bool RowSpool::Reader::read(void *target, std::size_t bytes)
{
    // The file holds the earlier rows, memory the rest; a cell never straddles the two.
    if (m_inFile) {
        const std::size_t got = std::fread(target, 1, bytes, m_spool.m_file.get());
        if (got == bytes)
            return true;
        if (got != 0 || !std::feof(m_spool.m_file.get()))
            return false;
        m_inFile = false;
    }
    if (m_memoryOffset + bytes > m_spool.m_memory.size())
        return false;
    std::memcpy(target, m_spool.m_memory.data() + m_memoryOffset, bytes);
    m_memoryOffset += bytes;
    return true;
}

bool RowSpool::Reader::next(Row &row)
{
    if (m_left == 0)
        return false;
    row.resize(m_columns);
    for (CellValue &cell : row) {
        char tag = kNull;
        if (!read(&tag, 1))
            return false;
        if (tag == kInteger) {
            std::int64_t value = 0;
            if (!read(&value, sizeof value))
                return false;
            cell = value;
        } else if (tag == kReal) {
            double value = 0;
            if (!read(&value, sizeof value))
                return false;
            cell = value;
        } else if (tag == kText) {
            std::uint64_t length = 0;
            if (!read(&length, sizeof length))
                return false;
            std::string text(static_cast<std::size_t>(length), '\0');
            if (length > 0 && !read(text.data(), text.size()))
                return false;
            cell = std::move(text);
        } else {
            cell = std::monostate {};
        }
    }
    --m_left;
    return true;
}

} // namespace tovik::sampleserver
