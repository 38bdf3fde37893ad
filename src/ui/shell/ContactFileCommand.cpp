#include "ui/shell/ContactFileCommand.h"

#include "app/AppCore.h"
#include "app/DesktopKeyring.h"

#include <cstdio>

namespace tamberlink {
namespace {

// An import of a large file waits for the running window to store it.
constexpr int kReplyLimitMs = 10 * 60 * 1000;

} // namespace

CommandReply DoContactFileCommand(AppCore& core, const ContactFileCommand& command) {
    QString error;
    if (command.kind == ContactFileCommand::Kind::Export) {
        int cards = 0;
        if (!core.ExportContacts(command.path, {}, &cards, &error)) {
            return {false, QStringLiteral("cannot export to %1: %2").arg(command.path, error)};
        }
        return {true, QStringLiteral("exported %1 cards to %2").arg(cards).arg(command.path)};
    }
    const ContactImportPreview preview = core.PreviewContactFile(command.path);
    if (!preview.Ok()) {
        return {false, QStringLiteral("cannot import %1: %2").arg(command.path, preview.error)};
    }
    ContactImportCounts counts;
    if (!core.ImportContactFile(preview, false, counts, &error)) {
        return {false, QStringLiteral("cannot import %1: %2").arg(command.path, error)};
    }
    return {true, QStringLiteral("imported %1 contacts from %2; %3 numbers were there already, "
                                 "%4 cards or rows could not be used")
                      .arg(counts.added)
                      .arg(command.path)
                      .arg(counts.skipped)
                      .arg(preview.problems.size())};
}

int RunContactFileCommand(const ContactFileCommand& command) {
    std::optional<CommandReply> reply = SingleProcess::AskRunning(command, kReplyLimitMs);
    if (!reply) {
        AppConfig config;
        config.keyring = std::make_shared<DesktopKeyring>();
        // The running program's port is free, but a command needs no local API of its own.
        config.localApiPort = 0;
        AppCore core(config);
        reply = core.Start() ? DoContactFileCommand(core, command)
                             : CommandReply{false, QStringLiteral("cannot open the contacts")};
        core.Shutdown();
    }
    std::fprintf(reply->ok ? stdout : stderr, "tamberlink: %s\n", qPrintable(reply->summary));
    return reply->ok ? 0 : 1;
}

} // namespace tamberlink
