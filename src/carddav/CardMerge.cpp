#include "carddav/CardMerge.h"

#include "contactfile/VCardFile.h"
#include "store/ContactTable.h"

#include <QSet>

#include <map>

namespace tamberlink {

ContactCard CardOfRows(const std::vector<ContactCardRecord>& rows) {
    ContactCard card;
    if (rows.empty()) {
        return card;
    }
    const ContactCardRecord& first = rows.front();
    card.uid = first.uid;
    card.name = first.contact.name;
    card.email = first.contact.email;
    card.company = first.contact.company;
    card.address = first.contact.home;
    card.note = first.contact.other;
    if (!first.lines.isEmpty()) {
        card.lines = first.lines.split(u'\n');
    }
    for (const ContactCardRecord& row : rows) {
        card.numbers << row.contact.phone;
    }
    return card;
}

std::vector<ContactCardRecord> RowsOfCard(const ContactCard& card) {
    std::vector<ContactCardRecord> rows;
    const QString lines = card.lines.join(u'\n');
    QStringList seen;
    for (const QString& written : card.numbers) {
        // As the contacts store it, once.
        const QString number = ContactTable::StoredForm(written);
        if (number.isEmpty() || seen.contains(number)) {
            continue;
        }
        seen << number;
        ContactCardRecord& row = rows.emplace_back();
        row.contact = ContactRecord(card.name, number, QString());
        row.contact.email = card.email;
        row.contact.company = card.company;
        row.contact.home = card.address;
        row.contact.other = card.note;
        row.uid = card.uid;
        row.lines = lines;
    }
    return rows;
}

QByteArray Rendered(const ContactCard& card) {
    return WriteVCards({card});
}

std::optional<ContactCard> ReadServerCard(const QByteArray& data) {
    ContactFileContents contents = ReadVCards(data);
    if (contents.cards.empty()) {
        return std::nullopt;
    }
    return std::move(contents.cards.front());
}

namespace {

// "item1.TEL;TYPE=CELL:..." is "ITEM1.TEL".
QString KeyOf(const QString& line) {
    qsizetype end = 0;
    while (end < line.size() && line[end] != u';' && line[end] != u':') {
        ++end;
    }
    return line.left(end).toUpper();
}

QString BareName(const QString& key) {
    const qsizetype dot = key.lastIndexOf(u'.');
    return dot < 0 ? key : key.mid(dot + 1);
}

bool Single(const QString& name) {
    static const QSet<QString> single{
        QStringLiteral("FN"),     QStringLiteral("N"),           QStringLiteral("BDAY"),
        QStringLiteral("PHOTO"),  QStringLiteral("REV"),         QStringLiteral("KIND"),
        QStringLiteral("GENDER"), QStringLiteral("ANNIVERSARY"), QStringLiteral("UID")};
    return single.contains(name);
}

std::map<QString, QStringList> ByKey(const QStringList& lines) {
    std::map<QString, QStringList> byKey;
    for (const QString& line : lines) {
        byKey[KeyOf(line)] << line;
    }
    return byKey;
}

QString ValueOf(const QString& line) {
    const qsizetype colon = line.indexOf(u':');
    return colon < 0 ? QString() : line.mid(colon + 1);
}

QStringList MergedLines(const QString& key, const QStringList& base, const QStringList& local,
                        const QStringList& remote) {
    if (local == base) {
        return remote;
    }
    if (remote == base || remote == local) {
        return local;
    }
    const QString name = BareName(key);
    if (Single(name)) {
        return local.isEmpty() ? remote : local;
    }
    if (name == QLatin1String("NOTE") && local.size() == 1 && remote.size() == 1) {
        return {local.front() + QStringLiteral("\\n") + ValueOf(remote.front())};
    }
    QStringList merged = local;
    for (const QString& line : remote) {
        if (!merged.contains(line)) {
            merged << line;
        }
    }
    return merged;
}

} // namespace

ContactCard MergeCards(const ContactCard& base, const ContactCard& local,
                       const ContactCard& remote) {
    // Merged on the cards' written lines, which carry every field in one form.
    const auto linesOf = [](const ContactCard& card) {
        QStringList lines;
        for (const QByteArray& line : Rendered(card).split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (!text.isEmpty()) {
                lines << text;
            }
        }
        return lines;
    };
    const auto unfolded = [&](const ContactCard& card) {
        if (card.numbers.isEmpty() && card.lines.isEmpty()) {
            return QStringList();
        }
        // Written cards fold long lines; read back, they come out whole.
        const std::optional<ContactCard> read = ReadServerCard(Rendered(card));
        QStringList lines = read ? read->lines : linesOf(card);
        return lines;
    };
    const QStringList localLines = unfolded(local);
    const std::map<QString, QStringList> b = ByKey(unfolded(base));
    const std::map<QString, QStringList> l = ByKey(localLines);
    const std::map<QString, QStringList> r = ByKey(unfolded(remote));
    QStringList order;
    for (const auto* side : {&l, &r}) {
        for (const auto& [key, lines] : *side) {
            if (!order.contains(key)) {
                order << key;
            }
        }
    }
    QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    const auto get = [](const std::map<QString, QStringList>& side, const QString& key) {
        const auto found = side.find(key);
        return found == side.end() ? QStringList() : found->second;
    };
    for (const QString& key : order) {
        for (const QString& line : MergedLines(key, get(b, key), get(l, key), get(r, key))) {
            text += line.toUtf8() + "\r\n";
        }
    }
    const QString uid = local.uid.isEmpty() ? remote.uid : local.uid;
    text += "UID:" + uid.toUtf8() + "\r\nEND:VCARD\r\n";
    std::optional<ContactCard> merged = ReadServerCard(text);
    if (!merged) {
        return local.numbers.isEmpty() ? remote : local;
    }
    merged->uid = uid;
    return *merged;
}

} // namespace tamberlink
