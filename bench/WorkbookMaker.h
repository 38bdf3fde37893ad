#pragma once

#include <QProcess>
#include <QString>

namespace tamberlink::bench {

// Writes a workbook with tests/workbook/workbooks.py (openpyxl): `kind` "rows" is a call list of
// `rows` rows, a header included; "huge" uses every row of the sheet. Needs the program's
// TAMBERLINK_PYTHON and WORKBOOK_TOOL_SCRIPT definitions.
inline bool MakeWorkbook(const QString& kind, const QString& path, int rows) {
    QProcess tool;
    tool.start(QStringLiteral(TAMBERLINK_PYTHON), {QStringLiteral(WORKBOOK_TOOL_SCRIPT)});
    if (!tool.waitForStarted(30000)) {
        return false;
    }
    tool.write(
        QStringLiteral("{\"op\": \"make\", \"kind\": \"%1\", \"path\": \"%2\", \"rows\": %3}\n")
            .arg(kind, path)
            .arg(rows)
            .toUtf8());
    tool.closeWriteChannel();
    return tool.waitForFinished(600000) && tool.readAllStandardOutput().contains("\"ok\": true");
}

} // namespace tamberlink::bench
