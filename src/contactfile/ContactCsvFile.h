#pragma once

#include "contactfile/ContactCard.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace tamberlink {

// How a CSV file is read: its text encoding and which columns hold what.
struct ContactCsvLayout {
    enum class Encoding { Utf8, Gb18030 };
    enum class Kind { Google, Outlook, Other };

    Encoding encoding = Encoding::Utf8;
    Kind kind = Kind::Other;
    QStringList headers;
    // Column indexes; -1 when the file has none. Several columns may hold names (given and
    // family) and numbers.
    QList<int> name;
    QList<int> phones;
    int email = -1;
    int company = -1;
    int address = -1;
    int note = -1;
};

// The layout of a CSV file as its first line and bytes suggest it: UTF-8 with or without a
// byte order mark or else GB18030; Google's and Outlook's headers, or headers that name the
// columns in Chinese or English ("姓名", "电话", "Phone", ...). nullopt with `error` set when
// the file is no CSV of contacts (no header line, or no column of numbers).
std::optional<ContactCsvLayout> DetectContactCsv(const QByteArray& data, QString* error);
// Reads the rows of a CSV file with `layout` (quotes, doubled quotes, line breaks inside
// quotes and rows of any length); Google's " ::: " joins several numbers in one cell.
ContactFileContents ReadContactCsv(const QByteArray& data, const ContactCsvLayout& layout);

// The cards as CSV in UTF-8 with a byte order mark and CRLF, as spreadsheets open it:
// "姓名,电话,邮箱,公司,地址,备注", one row a card, its numbers joined by " ::: ".
QByteArray WriteContactCsv(const std::vector<ContactCard>& cards);

} // namespace tamberlink
