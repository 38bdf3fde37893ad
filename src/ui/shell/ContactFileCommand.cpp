#include "ui/shell/ContactFileCommand.h"

#include "app/AppCore.h"
#include "app/ContactSyncService.h"
#include "app/DesktopKeyring.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace tamberlink {
namespace {

// An import of a large file waits for the running window to store it.
constexpr int kReplyLimitMs = 10 * 60 * 1000;

} // namespace

CommandReply DoContactFileCommand(AppCore& core, const ContactFileCommand& command) {
    QString error;
    if (command.kind == ContactFileCommand::Kind::Sync) {
        ContactSyncService* sync = core.ContactSync();
        if (sync == nullptr) {
            return {false, QStringLiteral("cannot sync: the contacts cannot be opened")};
        }
        const SyncOutcome outcome = sync->SyncAndWait(command.password);
        if (!outcome.ok) {
            return {false, QStringLiteral("cannot sync the contacts: %1").arg(outcome.error)};
        }
        return {true, QStringLiteral("synced the contacts: %1 cards received, %2 sent, %3 "
                                     "merged, %4 contacts deleted here, %5 cards deleted on "
                                     "the server%6")
                          .arg(outcome.received)
                          .arg(outcome.sent)
                          .arg(outcome.merged)
                          .arg(outcome.removed)
                          .arg(outcome.deleted)
                          .arg(outcome.deletionsRefused
                                   ? QStringLiteral("; deletions on the server were not "
                                                    "applied here")
                                   : QString())};
    }
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

int RunContactFileCommand(ContactFileCommand command) {
    if (command.kind == ContactFileCommand::Kind::Sync && !isatty(STDIN_FILENO)) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly)) {
            const QByteArray line = in.readLine();
            if (!line.isEmpty()) {
                command.password = QString::fromUtf8(line).remove(u'\n').remove(u'\r');
            }
        }
    }
    std::optional<CommandReply> reply = SingleProcess::AskRunning(command, kReplyLimitMs);
    if (!reply) {
        AppConfig config;
        config.keyring = std::make_shared<DesktopKeyring>();
        config.contactSyncTimers = false;
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
