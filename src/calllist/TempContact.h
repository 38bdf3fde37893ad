#pragma once

#include <QString>

#include <cstdint>

namespace tamberlink {

// One temporary contact: a row of a call-list workbook, with what its list row shows.
struct TempContact {
    int status = 0; // 0 to 4 as written by the program; values read below 1 are 0
    int row = 0;    // 0-based sheet row
    QString name;
    QString number;
    QString remark;

    // The status and remark line of the list row (empty when it shows nothing) and its colour.
    QString remarkLabel;
    std::uint32_t remarkColor = 0x0099FF;

    // A contact as read from the workbook: only statuses 2 to 4 show their text, and the
    // line is filled when there is a remark or the status is above 1.
    static TempContact FromWorkbook(int row, int status, QString name, QString number,
                                    QString remark);

    // A status chosen afterwards (a call, the remark dialog, the status menu): statuses 1 to 4
    // show their text. Status 0 keeps the status shown; a non-empty remark still replaces
    // the one shown, since it was saved.
    void ShowStatus(int newStatus, const QString& newRemark);

    // "%d" of row + 1.
    QString IndexText() const;
    // The name, or its first 7 characters and "..." when it is longer than 6.
    QString NameText() const;
    // Statuses above 0 show the called icon.
    bool ShowsCalledIcon() const { return status > 0; }

    // "未联系", "已联系", "未接通", "再联系", "黑名单" for 0 to 4; empty otherwise.
    static QString StatusText(int status);
    // 0xFF0000 for the blacklist, 0x0099FF for the others (RGB).
    static std::uint32_t StatusColor(int status);
    // The statuses the remark dialog offers; others preselect 0.
    static constexpr int kStatusCount = 5;
    static constexpr const char* kCalledIcon = "call_type_mobile_out.png";

private:
    void FillLabel(bool statusShown);
};

} // namespace tamberlink
