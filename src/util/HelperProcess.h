#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tamberlink {

// Runs one of the program's helper programs and collects its standard output, within a time
// limit and a size limit. It waits without an event loop, so any thread may call it.
class HelperProcess {
public:
    enum class Outcome {
        Finished,      // ended with status 0
        NotStarted,    // missing, not executable, or refused by the system
        TimedOut,      // still running at the time limit; killed
        TooMuchOutput, // wrote more than the size limit; killed
        Crashed,       // ended by a signal
        Failed,        // ended with another status
    };
    struct Result {
        Outcome outcome = Outcome::NotStarted;
        int exitCode = 0;
        QString detail; // why it did not start
        QByteArray output;
    };

    // The helper `name` beside the running program (as in the build tree), else where the
    // installed program keeps its helpers; empty when neither has it.
    static QString Find(const QString& name);

    static Result Run(const QString& program, const QStringList& arguments, int timeoutMs,
                      qint64 maxOutput);
};

} // namespace tamberlink
