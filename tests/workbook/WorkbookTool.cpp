#include "WorkbookTool.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tamberlink::test {

WorkbookTool& WorkbookTool::Instance() {
    static WorkbookTool tool;
    return tool;
}

WorkbookTool::WorkbookTool() {
    process_.setProgram(QStringLiteral(TAMBERLINK_PYTHON));
    process_.setArguments({QStringLiteral(WORKBOOK_TOOL_SCRIPT)});
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    process_.waitForStarted(30000);
}

WorkbookTool::~WorkbookTool() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

QJsonObject WorkbookTool::Request(const QJsonObject& request) {
    if (process_.state() != QProcess::Running) {
        return {{QStringLiteral("error"), QStringLiteral("the workbook tool is not running")}};
    }
    process_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(120000)) {
            return {{QStringLiteral("error"), QStringLiteral("the workbook tool did not answer")}};
        }
    }
    return QJsonDocument::fromJson(process_.readLine()).object();
}

bool WorkbookTool::Make(const QString& kind, const QString& path, int rows) {
    return Request({{"op", "make"}, {"kind", kind}, {"path", path}, {"rows", rows}})
        .value(QStringLiteral("ok"))
        .toBool();
}

QJsonObject WorkbookTool::Cells(const QString& path, int sheet) {
    const QJsonObject reply = Request({{"op", "cells"}, {"path", path}, {"sheet", sheet}});
    return reply.contains(QStringLiteral("error")) ? reply : reply.value("cells").toObject();
}

QStringList WorkbookTool::Differences(const QString& before, const QString& after,
                                      const QStringList& changed) {
    const QJsonObject reply = Request({{"op", "compare"},
                                       {"before", before},
                                       {"after", after},
                                       {"changed", QJsonArray::fromStringList(changed)}});
    if (reply.contains(QStringLiteral("error"))) {
        return {reply.value("error").toString()};
    }
    QStringList differences;
    for (const QJsonValue& value : reply.value("differences").toArray()) {
        differences << value.toString();
    }
    return differences;
}

QJsonObject WorkbookTool::Members(const QString& path) {
    return Request({{"op", "members"}, {"path", path}}).value("members").toObject();
}

} // namespace tamberlink::test
