#pragma once

#include "ColumnType.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tovik::sampleserver {

// Keeps a result's rows while its column types are still being learnt, so that the statement runs
// once: in memory up to a limit, beyond it in an unnamed temporary file, so that memory stays
// bounded for any result size.
class RowSpool
{
public:
    using Row = std::vector<CellValue>;

    static constexpr std::size_t kMemoryBytes = 16 * 1024 * 1024;

    explicit RowSpool(std::size_t memoryBytes = kMemoryBytes);

    // False when the temporary file could not be written; the spool is then unusable.
    bool append(const Row &row);
    std::size_t size() const { return m_rows; }

    // Reads the rows back in the order they were appended; call once, after the last append.
    class Reader
    {
    public:
        // False at the end, or when the temporary file cannot be read.
        bool next(Row &row);

    private:
        friend class RowSpool;
        explicit Reader(RowSpool &spool);
        bool read(void *target, std::size_t bytes);

        RowSpool &m_spool;
        std::size_t m_columns = 0;
        std::size_t m_left = 0;
        std::size_t m_memoryOffset = 0;
        bool m_inFile = false;
    };
    Reader reader();

private:
    bool spill();

    struct FileCloser
    {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };

    std::size_t m_memoryBytes;
    std::size_t m_rows = 0;
    std::size_t m_columns = 0;
    std::string m_memory;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

} // namespace tovik::sampleserver
