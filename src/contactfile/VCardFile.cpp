#include "contactfile/VCardFile.h"

#include "contactfile/ContactText.h"
#include "util/PhoneNumber.h"
#include "util/TextCodec.h"

#include <QUuid>

#include <algorithm>
#include <optional>

namespace tamberlink {
namespace {

constexpr int kFoldAt = 75;
constexpr int kShownText = 40;

// One property line: [group.]NAME;PARAM...:VALUE.
struct Property {
    QByteArray name; // upper case, without its group
    QList<QByteArray> params;
    QByteArray value;
    bool quotedPrintable = false;
    QByteArray charset;

    // The value as text: quoted-printable undone, in its charset; escapes are left.
    QString Text() const;
};

QByteArray FromQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '=' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 && HexDigit(in[i + 2]) >= 0) {
            out += char(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QString Property::Text() const {
    return contact_text::Decode(quotedPrintable ? FromQuotedPrintable(value) : value, charset);
}

// Splits at `separator` outside double quotes.
QList<QByteArray> SplitOutsideQuotes(const QByteArray& text, char separator) {
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == separator && !quoted) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

bool IsQuotedPrintableParam(const QByteArray& param) {
    const QByteArray upper = param.trimmed().toUpper();
    return upper == "QUOTED-PRINTABLE" || upper == "ENCODING=QUOTED-PRINTABLE";
}

std::optional<Property> ParseProperty(const QByteArray& line) {
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0) {
        return std::nullopt;
    }
    QList<QByteArray> head = SplitOutsideQuotes(line.left(colon), ';');
    Property property;
    const QByteArray& named = head.front();
    property.name = named.mid(named.lastIndexOf('.') + 1).toUpper();
    head.removeFirst();
    property.params = head;
    property.value = line.mid(colon + 1);
    for (const QByteArray& param : std::as_const(property.params)) {
        if (IsQuotedPrintableParam(param)) {
            property.quotedPrintable = true;
        } else if (param.trimmed().toUpper().startsWith("CHARSET=")) {
            property.charset = param.trimmed().mid(8);
        }
    }
    // A property's name is letters, digits and '-': anything else is no property.
    const bool valid = !property.name.isEmpty() &&
                       std::all_of(property.name.begin(), property.name.end(), [](char c) {
                           return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
                       });
    if (!valid) {
        return std::nullopt;
    }
    return property;
}

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += next == u'n' || next == u'N' ? QChar(u'\n') : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString Escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'\\' || c == u',' || c == u';') {
            out += u'\\';
            out += c;
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c != u'\r') {
            out += c;
        }
    }
    return out;
}

// The components of a structured value (N, ADR, ORG), split at unescaped ';'.
QStringList Components(const QString& text) {
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            part += text[i];
            part += text[++i];
        } else if (text[i] == u';') {
            parts << Unescape(part);
            part.clear();
        } else {
            part += text[i];
        }
    }
    parts << Unescape(part);
    return parts;
}

// "张三" from N's family and given names: Chinese names run together, others with a space.
QString NameFromN(const QStringList& n) {
    const QString family = n.value(0).trimmed();
    const QString given = n.value(1).trimmed();
    if (family.isEmpty() || given.isEmpty()) {
        return family + given;
    }
    const bool chinese = family.front().script() == QChar::Script_Han;
    return chinese ? family + given : given + u' ' + family;
}

// ADR's parts in the order people read a Chinese address: country, region, city, street.
QString AddressFrom(const QStringList& adr) {
    QStringList parts;
    for (int i : {6, 4, 3, 2, 1, 0}) {
        if (!adr.value(i).trimmed().isEmpty()) {
            parts << adr.value(i).trimmed();
        }
    }
    return parts.join(u' ');
}

QString NumberFrom(const QString& text) {
    QString number = Unescape(text).trimmed();
    if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
        number = number.mid(4);
    }
    return number;
}

// Control characters (a stray CR, a NUL) and byte order marks are no part of what a card says;
// line breaks stay.
QString Visible(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if ((c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0xFEFF) || c == u'\n') {
            out += c;
        }
    }
    return out;
}

// The field a property carries, for the properties the contact card shows.
enum class Field { None, Name, Number, Email, Company, Address, Note };

struct FieldValue {
    Field field = Field::None;
    QString value;
};

FieldValue RawFieldOf(const Property& property) {
    const QByteArray& name = property.name;
    if (name == "FN") {
        return {Field::Name, Unescape(property.Text()).trimmed()};
    }
    if (name == "TEL") {
        return {Field::Number, NumberFrom(property.Text())};
    }
    if (name == "EMAIL") {
        return {Field::Email, Unescape(property.Text()).trimmed()};
    }
    if (name == "ORG") {
        return {Field::Company, Components(property.Text()).value(0).trimmed()};
    }
    if (name == "ADR") {
        return {Field::Address, AddressFrom(Components(property.Text()))};
    }
    if (name == "NOTE") {
        return {Field::Note, Unescape(property.Text())};
    }
    return {};
}

FieldValue FieldOf(const Property& property) {
    FieldValue field = RawFieldOf(property);
    field.value = Visible(field.value);
    if (field.field != Field::Note) {
        field.value = field.value.trimmed();
    }
    return field;
}

// The card's field that takes the first value of `field`; null for a name or a number.
QString* FirstValueSlot(ContactCard& card, Field field) {
    switch (field) {
    case Field::Email:
        return &card.email;
    case Field::Company:
        return &card.company;
    case Field::Address:
        return &card.address;
    case Field::Note:
        return &card.note;
    default:
        return nullptr;
    }
}

// A vCard 2.1 line in 3.0 form: quoted-printable and charsets undone, bare types named,
// BASE64 as "b". Lines of 3.0 and 4.0 cards in UTF-8 stay as they are.
QString As30(const QByteArray& line, const Property& property, bool version21) {
    const bool plain =
        !property.quotedPrintable && property.charset.isEmpty() && contact_text::IsUtf8(line);
    if (!version21 && plain) {
        return QString::fromUtf8(line);
    }
    QString out = QString::fromLatin1(property.name);
    for (const QByteArray& param : property.params) {
        const QByteArray upper = param.trimmed().toUpper();
        if (IsQuotedPrintableParam(param) || upper.startsWith("CHARSET=") || upper == "8BIT" ||
            upper == "7BIT" || upper == "ENCODING=8BIT" || upper == "ENCODING=7BIT") {
            continue;
        }
        if (upper == "BASE64" || upper == "ENCODING=BASE64") {
            out += QStringLiteral(";ENCODING=b");
        } else if (version21 && !param.contains('=')) {
            out += QStringLiteral(";TYPE=") + QString::fromUtf8(param.trimmed());
        } else {
            out += u';' + contact_text::Decode(param.trimmed());
        }
    }
    QString value = property.Text();
    if (property.quotedPrintable) {
        // Quoted-printable text carries no escapes: line breaks and commas get theirs now.
        const bool structured =
            property.name == "N" || property.name == "ADR" || property.name == "ORG";
        QString escaped;
        for (const QChar c : value) {
            if (c == u'\n') {
                escaped += QStringLiteral("\\n");
            } else if (c == u',' || (c == u';' && !structured) || c == u'\\') {
                escaped += u'\\';
                escaped += c;
            } else if (c != u'\r') {
                escaped += c;
            }
        }
        value = escaped;
    }
    return out + u':' + value;
}

// The lines of a file, unfolded: a line starting with a blank continues the one before, and
// a quoted-printable value ending in '=' continues on the next line.
struct Logical {
    qint64 number;
    QByteArray text;
};

std::vector<Logical> Unfold(const QByteArray& data) {
    std::vector<Logical> lines;
    bool softBreak = false;
    qint64 number = 0;
    qsizetype start = 0;
    while (start <= data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0) {
            end = data.size();
        }
        QByteArray line = data.mid(start, end - start);
        start = end + 1;
        ++number;
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (softBreak && !lines.empty()) {
            lines.back().text.chop(1);
            lines.back().text += line;
        } else if (!lines.empty() && !line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) {
            lines.back().text += line.mid(1);
        } else if (!line.trimmed().isEmpty()) {
            lines.push_back({number, line});
        } else {
            softBreak = false;
            continue;
        }
        // Only a value the property reader decodes as quoted-printable goes on past its '='.
        const QByteArray& now = lines.back().text;
        if (now.endsWith('=')) {
            const std::optional<Property> property = ParseProperty(now);
            softBreak = property && property->quotedPrintable;
        } else {
            softBreak = false;
        }
        if (end == data.size()) {
            break;
        }
    }
    return lines;
}

QString Shown(const QByteArray& line) {
    return contact_text::Decode(line.left(kShownText * 3)).left(kShownText);
}

// A card read to its END: its fields filled in, or the reason it is unusable.
QString Finish(ContactCard& card, const QStringList& n) {
    if (card.name.isEmpty()) {
        card.name = Visible(NameFromN(n)).trimmed();
    }
    if (card.name.isEmpty()) {
        card.name = card.company;
    }
    card.numbers.removeAll(QString());
    if (card.numbers.isEmpty()) {
        return QStringLiteral("没有电话号码");
    }
    if (card.name.isEmpty()) {
        card.name = card.numbers.front();
    }
    return QString();
}

} // namespace

ContactFileContents ReadVCards(const QByteArray& data) {
    ContactFileContents contents;
    std::optional<ContactCard> card;
    qint64 cardLine = 0;
    QByteArray cardText;
    QStringList n;
    bool version21 = false;
    const auto problem = [&](const QString& reason) {
        contents.problems.push_back({cardLine, Shown(cardText), reason});
    };
    for (const Logical& line : Unfold(data)) {
        const std::optional<Property> property = ParseProperty(line.text);
        if (!property) {
            continue;
        }
        const QByteArray& name = property->name;
        if (name == "BEGIN" && property->value.trimmed().toUpper() == "VCARD") {
            if (card) {
                problem(QStringLiteral("名片没有结束（缺少 END:VCARD）"));
            }
            card.emplace();
            cardLine = line.number;
            cardText.clear();
            n.clear();
            version21 = false;
            continue;
        }
        if (!card) {
            continue;
        }
        if (name == "END") {
            if (const QString reason = Finish(*card, n); reason.isEmpty()) {
                contents.cards.push_back(std::move(*card));
            } else {
                problem(reason);
            }
            card.reset();
            continue;
        }
        if (name == "VERSION") {
            version21 = property->value.trimmed() == "2.1";
            continue;
        }
        if (name == "PRODID") {
            continue;
        }
        if (name == "UID") {
            card->uid = Unescape(property->Text()).trimmed();
            continue;
        }
        if (name == "FN" || (name == "N" && cardText.isEmpty())) {
            cardText =
                property->quotedPrintable ? FromQuotedPrintable(property->value) : property->value;
        }
        card->lines << As30(line.text, *property, version21);
        if (name == "N") {
            n = Components(property->Text());
        }
        const FieldValue field = FieldOf(*property);
        if (field.field == Field::Name) {
            card->name = field.value;
        } else if (field.field == Field::Number) {
            card->numbers << field.value;
        } else if (QString* slot = FirstValueSlot(*card, field.field); slot && slot->isEmpty()) {
            // The first e-mail, company, address and note fill the card's fields.
            *slot = field.value;
        }
    }
    if (card) {
        problem(QStringLiteral("名片没有结束（缺少 END:VCARD）"));
    }
    if (contents.cards.empty() && contents.problems.empty()) {
        contents.error = QStringLiteral("文件里没有名片（BEGIN:VCARD）");
    }
    return contents;
}

namespace {

// Appends `line` folded at kFoldAt octets, never inside a UTF-8 character.
void AppendFolded(QByteArray& out, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    qsizetype at = 0;
    int room = kFoldAt;
    while (bytes.size() - at > room) {
        qsizetype cut = at + room;
        while (cut > at && (uchar(bytes[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out += bytes.mid(at, cut - at);
        out += "\r\n ";
        at = cut;
        room = kFoldAt - 1;
    }
    out += bytes.mid(at);
    out += "\r\n";
}

// Numbers as the contacts store them: "+86 20 8829 0291" is "02088290291".
bool SameNumber(const QString& a, const QString& b) {
    const auto stored = [](const QString& number) {
        return PhoneNumber::WithoutIpPrefix(PhoneNumber::Clean(number));
    };
    // A line whose number is empty, or nothing but junk, stands for no number of the card.
    return a == b || (!stored(a).isEmpty() && stored(a) == stored(b));
}

} // namespace

QByteArray WriteVCards(const std::vector<ContactCard>& cards) {
    QByteArray out;
    out.reserve(qsizetype(cards.size()) * 160);
    for (const ContactCard& card : cards) {
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        QStringList numbers = card.numbers;
        bool name = false, nLine = false;
        // The first line of a field decides: it stays while the field is unchanged. Further
        // lines of it (a second e-mail address) stay as they are.
        struct Slot {
            bool decided = false;
            bool written = false;
        };
        Slot email, company, address, note;
        // N stays only with the FN it was read with.
        for (const QString& line : card.lines) {
            const std::optional<Property> property = ParseProperty(line.toUtf8());
            if (property && property->name == "FN" && FieldOf(*property).value == card.name) {
                name = true;
            }
        }
        const bool keepN = name;
        name = false;
        for (const QString& line : card.lines) {
            const std::optional<Property> property = ParseProperty(line.toUtf8());
            if (!property) {
                continue;
            }
            const FieldValue field = FieldOf(*property);
            bool keep = true;
            const auto once = [&](Slot& slot, const QString& now) {
                if (!slot.decided) {
                    slot.decided = true;
                    keep = slot.written = field.value == now && !now.isEmpty();
                }
            };
            switch (field.field) {
            case Field::Name:
                keep = !name && field.value == card.name;
                name = name || keep;
                break;
            case Field::Number: {
                const auto found =
                    std::find_if(numbers.begin(), numbers.end(), [&](const QString& number) {
                        return SameNumber(number, field.value);
                    });
                keep = found != numbers.end();
                if (keep) {
                    numbers.erase(found);
                }
                break;
            }
            case Field::Email:
                once(email, card.email);
                break;
            case Field::Company:
                once(company, card.company);
                break;
            case Field::Address:
                once(address, card.address);
                break;
            case Field::Note:
                once(note, card.note);
                break;
            case Field::None:
                if (property->name == "N") {
                    keep = keepN;
                    nLine = nLine || keep;
                }
                break;
            }
            if (keep) {
                AppendFolded(out, line);
            }
        }
        if (!name) {
            AppendFolded(out, QStringLiteral("FN:") + Escape(card.name));
        }
        if (!nLine) {
            AppendFolded(out, QStringLiteral("N:") + Escape(card.name) + QStringLiteral(";;;;"));
        }
        for (const QString& number : std::as_const(numbers)) {
            AppendFolded(out, QStringLiteral("TEL;TYPE=CELL:") + Escape(number));
        }
        const auto add = [&](const Slot& slot, const QString& value, const QString& head) {
            if (!slot.written && !value.isEmpty()) {
                AppendFolded(out, head + Escape(value));
            }
        };
        add(email, card.email, QStringLiteral("EMAIL;TYPE=INTERNET:"));
        add(company, card.company, QStringLiteral("ORG:"));
        if (!address.written && !card.address.isEmpty()) {
            AppendFolded(out,
                         QStringLiteral("ADR:;;") + Escape(card.address) + QStringLiteral(";;;;"));
        }
        add(note, card.note, QStringLiteral("NOTE:"));
        const QString uid =
            card.uid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : card.uid;
        AppendFolded(out, QStringLiteral("UID:") + Escape(uid));
        out += "END:VCARD\r\n";
    }
    return out;
}

} // namespace tamberlink
