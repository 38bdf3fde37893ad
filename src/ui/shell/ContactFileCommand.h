#pragma once

#include "ui/shell/SingleProcess.h"

namespace tamberlink {

class AppCore;

// Imports or exports a contact file, or syncs the contacts, with `core`, as
// "--import-contacts", "--export-contacts" and "--sync-contacts" ask: what it did in one line.
CommandReply DoContactFileCommand(AppCore& core, const ContactFileCommand& command);

// Runs a contact file command from the command line: the running Tamberlink does it when there
// is one, else this process with a core of its own and no window. Prints the summary (standard
// error for a failure) and returns the exit status.
int RunContactFileCommand(ContactFileCommand command);

} // namespace tamberlink
