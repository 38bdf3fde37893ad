#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tamberlink::test {

// The workbook writer and reader of tests/workbook/workbooks.py (openpyxl and xlwt), kept running
// for the whole test program and asked one JSON request at a time.
class WorkbookTool {
public:
    static WorkbookTool& Instance();

    // The reply, or {"error": text} when the tool fails or does not answer.
    QJsonObject Request(const QJsonObject& request);

    bool Make(const QString& kind, const QString& path, int rows = 0);
    // The first sheet's (or sheet `sheet`'s) cells with a value, keyed "A1", as openpyxl reads
    // them; an "error" member when openpyxl cannot open the book.
    QJsonObject Cells(const QString& path, int sheet = 0);
    // What differs between two books apart from the listed cells of the first sheet.
    QStringList Differences(const QString& before, const QString& after,
                            const QStringList& changed);
    // Each zip member's method, CRC and the hash of its stored bytes.
    QJsonObject Members(const QString& path);

private:
    WorkbookTool();
    ~WorkbookTool();

    QProcess process_;
};

} // namespace tamberlink::test
