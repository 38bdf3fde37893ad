#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace tamberlink {

// A list of numbers to import: text or CSV, one number a line (the first field of a CSV
// line), UTF-8 or GBK. Each number is cleaned as the lists clean numbers.
struct NumberListFile {
    std::vector<QString> numbers; // in file order, each once
    int refused = 0;              // non-empty lines without a number that can be dialled

    static NumberListFile Parse(const QByteArray& bytes);
};

} // namespace tamberlink
