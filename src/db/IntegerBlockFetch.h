#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace tovik {

// Reads an executed statement's result of integer columns a block of rows at a time into bound
// arrays, instead of value by value: a sweep's aggregate has tens of columns and hundreds of
// thousands of rows, where each value read on its own costs more than the query's own work.
class IntegerBlockFetch
{
public:
    static constexpr int kRows = 1024;

    // One row: a value per column, nothing for NULL.
    using Visit = std::function<void(const std::optional<qint64> *row)>;

    // statement: the driver's statement handle, its result not yet read. False on a driver
    // failure, with its description text, or once cancelled() says so between blocks; the result
    // is left unread and the statement unbound either way.
    static bool read(void *statement, int columns, const Visit &visit,
        const std::function<bool()> &cancelled, QString *failure);

private:
    static QString diagnostics(void *statement);
};

} // namespace tovik
