#include "contactfile/ContactCsvFile.h"

#include "contactfile/ContactText.h"

namespace tamberlink {
namespace {

constexpr int kShownText = 40;
const QString kGoogleJoin = QStringLiteral(" ::: ");

struct Row {
    qint64 line = 0;
    QStringList cells;
};

// RFC 4180 with what spreadsheets write besides: quoted cells with doubled quotes and line
// breaks, LF or CRLF, rows of any length. Blank rows are skipped.
std::vector<Row> ParseCsv(const QString& text) {
    std::vector<Row> rows;
    Row row;
    QString cell;
    bool quoted = false;
    bool cellStarted = false;
    qint64 line = 1;
    row.line = 1;
    const auto endCell = [&] {
        row.cells << cell;
        cell.clear();
        cellStarted = false;
    };
    const auto endRow = [&] {
        endCell();
        const bool blank = row.cells.size() == 1 && row.cells.front().trimmed().isEmpty();
        if (!blank) {
            rows.push_back(std::move(row));
        }
        row = Row();
        row.line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n') {
                    ++line;
                }
                cell += c;
            }
        } else if (c == u'"' && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (c == u',') {
            endCell();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            ++line;
            endRow();
        } else {
            cell += c;
            cellStarted = true;
        }
    }
    if (cellStarted || !cell.isEmpty() || !row.cells.isEmpty()) {
        endRow();
    }
    return rows;
}

QString TextOf(const QByteArray& data, ContactCsvLayout::Encoding encoding) {
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    return encoding == ContactCsvLayout::Encoding::Utf8 ? QString::fromUtf8(bytes)
                                                        : contact_text::Decode(bytes, "GB18030");
}

bool Named(const QString& header, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (header.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool Holds(const QString& header, std::initializer_list<const char*> words) {
    for (const char* word : words) {
        if (header.contains(QString::fromUtf8(word), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

// "张" and "三" run together, family name first; other names with spaces, given name first.
QString ComposeName(const QStringList& parts) {
    QStringList present;
    bool han = false;
    for (const QString& part : parts) {
        if (!part.trimmed().isEmpty()) {
            present << part.trimmed();
            han = han || part.trimmed().front().script() == QChar::Script_Han;
        }
    }
    if (!han) {
        return present.join(u' ');
    }
    std::reverse(present.begin(), present.end());
    return present.join(QString());
}

// A cell starting with '=' or '@' would be a formula in a spreadsheet: it goes out behind an
// apostrophe, which the reader takes off again.
QString Cell(const QString& text) {
    QString cell = text;
    if (cell.startsWith(u'=') || cell.startsWith(u'@')) {
        cell.prepend(u'\'');
    }
    if (cell.contains(u',') || cell.contains(u'"') || cell.contains(u'\n') ||
        cell.contains(u'\r') || cell != cell.trimmed()) {
        cell.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        cell = u'"' + cell + u'"';
    }
    return cell;
}

QString Uncell(const QString& text) {
    const QString cell = text.trimmed();
    if (cell.startsWith(QLatin1String("'=")) || cell.startsWith(QLatin1String("'@"))) {
        return cell.mid(1);
    }
    return cell;
}

} // namespace

std::optional<ContactCsvLayout> DetectContactCsv(const QByteArray& data, QString* error) {
    ContactCsvLayout layout;
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF") || contact_text::IsUtf8(bytes)) {
        layout.encoding = ContactCsvLayout::Encoding::Utf8;
    } else {
        layout.encoding = ContactCsvLayout::Encoding::Gb18030;
    }
    // The header is all that is needed to know the columns.
    const qsizetype firstBreak = bytes.indexOf('\n');
    const std::vector<Row> head = ParseCsv(
        TextOf(firstBreak < 0 ? bytes : bytes.left(std::min<qsizetype>(bytes.size(), 64 * 1024)),
               layout.encoding));
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    if (head.empty()) {
        return fail(QStringLiteral("文件是空的"));
    }
    layout.headers = head.front().cells;
    QList<int> first, middle, last, whole;
    for (int i = 0; i < layout.headers.size(); ++i) {
        const QString h = layout.headers[i].trimmed();
        // Google's "Phone 1 - Type" and "... - Label" say what a number is, not the number.
        if (h.endsWith(QLatin1String(" - Type")) || h.endsWith(QLatin1String(" - Label"))) {
            continue;
        }
        if (h.startsWith(QLatin1String("Phone ")) && h.endsWith(QLatin1String(" - Value"))) {
            layout.kind = ContactCsvLayout::Kind::Google;
            layout.phones << i;
        } else if (Named(h, {"Mobile Phone", "Business Phone", "Business Phone 2", "Home Phone",
                             "Home Phone 2", "Primary Phone", "Other Phone", "Car Phone",
                             "Company Main Phone", "Radio Phone", "Callback"})) {
            layout.kind = ContactCsvLayout::Kind::Outlook;
            layout.phones << i;
        } else if (Named(h,
                         {"Name", "Full Name", "Display Name", "姓名", "名字", "联系人", "名称"})) {
            whole << i;
        } else if (Named(h, {"First Name", "Given Name", "名"})) {
            first << i;
        } else if (Named(h, {"Middle Name", "Additional Name"})) {
            middle << i;
        } else if (Named(h, {"Last Name", "Family Name", "姓"})) {
            last << i;
        } else if (layout.email < 0 && (Named(h, {"E-mail 1 - Value", "E-mail Address"}) ||
                                        Holds(h, {"邮箱", "邮件", "email", "e-mail"}))) {
            layout.email = i;
        } else if (layout.company < 0 &&
                   (Named(h, {"Organization 1 - Name", "Organization Name", "Company"}) ||
                    Holds(h, {"公司", "单位", "company", "organization"}))) {
            layout.company = i;
        } else if (layout.address < 0 &&
                   (Named(h, {"Address 1 - Formatted", "Home Street", "Business Street"}) ||
                    Holds(h, {"地址", "address"}))) {
            layout.address = i;
        } else if (layout.note < 0 && (Named(h, {"Notes", "Note"}) || Holds(h, {"备注"}))) {
            layout.note = i;
        } else if (Holds(h, {"电话", "手机", "号码", "座机", "phone", "mobile", "tel"})) {
            layout.phones << i;
        }
    }
    layout.name = whole.isEmpty() ? first + middle + last : whole;
    if (layout.phones.isEmpty()) {
        return fail(QStringLiteral("第一行里没有电话号码所在的列（如“电话”“手机”“Phone”）"));
    }
    return layout;
}

ContactFileContents ReadContactCsv(const QByteArray& data, const ContactCsvLayout& layout) {
    ContactFileContents contents;
    const std::vector<Row> rows = ParseCsv(TextOf(data, layout.encoding));
    contents.cards.reserve(rows.size());
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const Row& row = rows[r];
        const auto at = [&row](int column) {
            return column >= 0 ? Uncell(row.cells.value(column)) : QString();
        };
        ContactCard card;
        QStringList names;
        for (int column : layout.name) {
            names << at(column);
        }
        card.name = layout.name.size() == 1 ? at(layout.name.front()) : ComposeName(names);
        for (int column : layout.phones) {
            for (const QString& number : at(column).split(kGoogleJoin, Qt::SkipEmptyParts)) {
                if (!number.trimmed().isEmpty()) {
                    card.numbers << number.trimmed();
                }
            }
        }
        card.email = at(layout.email);
        card.company = at(layout.company);
        card.address = at(layout.address);
        card.note = at(layout.note);
        if (card.numbers.isEmpty()) {
            contents.problems.push_back(
                {row.line, row.cells.join(u',').left(kShownText), QStringLiteral("没有电话号码")});
            continue;
        }
        if (card.name.isEmpty()) {
            card.name = card.company.isEmpty() ? card.numbers.front() : card.company;
        }
        contents.cards.push_back(std::move(card));
    }
    if (contents.cards.empty() && contents.problems.empty()) {
        contents.error = QStringLiteral("文件里只有标题行，没有联系人");
    }
    return contents;
}

QByteArray WriteContactCsv(const std::vector<ContactCard>& cards) {
    QString text = QStringLiteral("姓名,电话,邮箱,公司,地址,备注\r\n");
    for (const ContactCard& card : cards) {
        text += Cell(card.name) + u',' + Cell(card.numbers.join(kGoogleJoin)) + u',' +
                Cell(card.email) + u',' + Cell(card.company) + u',' + Cell(card.address) + u',' +
                Cell(card.note) + QStringLiteral("\r\n");
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace tamberlink
