#pragma once

#include <QString>

namespace tamberlink {

// The rules for telephone numbers as people type and paste them and as the box reports them:
// the cleaning every lookup and dial starts from, and the prefixes dialled or dropped.
class PhoneNumber {
public:
    // What is dialled before a number on the landline.
    struct DialPrefix {
        QString text;    // extension, IP prefix, and the long-distance "0" for mobiles elsewhere
        int counted = 0; // the characters of `text` the box is told about (not that "0")
    };

    // Without blanks, "+86" and "-", removed in that order: "+86 138-0000-0000" gives
    // "13800000000". A number a spreadsheet stored as the text of a decimal
    // ("13600000021.0", as Excel and pandas write them) loses its ".0".
    static QString Clean(const QString& number);
    // Only the ASCII digits once every "+86" is gone: what a number-only field keeps.
    static QString Digits(const QString& text);
    // Without every "+86"; blanks and dashes stay.
    static QString WithoutCountryCode(const QString& number);
    // Without the local area code in front, when there is one and the number starts with it.
    static QString WithoutAreaCode(const QString& number, const QString& areaCode);
    // Without an IP long-distance prefix (17951, 12593, 17909, 17911) in front of a longer
    // number.
    static QString WithoutIpPrefix(const QString& number);
    // A caller as the box reports one: the "0" before a mobile number ("013800000000") goes;
    // a Beijing number ("010...") keeps it.
    static QString WithoutTrunkZero(const QString& number);
    // The number to look a caller up by: a local landline number (7 or 8 digits, the first
    // neither 0 nor 1; blanks and "-" aside) gets the user's area code in front, so that it
    // finds its area's row. Any other number, and every number while `areaCode` is not an
    // area code of 3 or 4 digits (the leading 0 may be left out), comes back as it is.
    static QString WithLocalAreaCode(const QString& number, const QString& areaCode);
    // The form two numbers are compared in, so that "+86 138-0000-0000", "013800000000" and
    // "13800000000" are one number, as are "020-8888 1234" and "2088881234": without every
    // "+86", blank and "-", then without leading zeros. The database's indexes on numbers
    // compute the same form with kComparableSql.
    static QString Comparable(const QString& number);
    // SQLite's expression for Comparable of the column `phone`.
    static constexpr const char* kComparableSql =
        "ltrim(replace(replace(replace(phone,'+86',''),' ',''),'-',''),'0')";
    // Eleven characters starting with "1".
    static bool IsMobile(const QString& number);

    // The landline prefix for a cleaned `number`: the extension, then the IP prefix when
    // `useIp`; a mobile number whose area (`numberArea`, from the attribution data) is not
    // `localArea` (compared without regard to case) is dialled long distance with a "0".
    static DialPrefix PrefixFor(const QString& number, const QString& extension,
                                const QString& ipCode, bool useIp, const QString& localArea,
                                const QString& numberArea);
};

} // namespace tamberlink
