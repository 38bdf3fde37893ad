#pragma once

#include "calllist/TempContactList.h"
#include "dialler/Campaign.h"
#include "store/CallAttemptTable.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

namespace tamberlink {

class DiallerHost;
class DoNotCallTable;

// Power dialling over the call list: dials the campaign's rows one after another on one
// line, never more than one call at a time, takes each outcome (written into the workbook's
// status and remark cells, kept as an attempt, published), applies the recall rules, and
// saves the whole campaign after every change so that the next start can go on at the same
// row. Lives on the UI thread.
class PowerDialler : public QObject {
    Q_OBJECT
public:
    enum class Phase {
        Idle,     // no campaign
        Dialling, // the dial is going out
        InCall,   // the dial went out; waiting for the outcome
        WrapUp,   // the call ended; waiting for the outcome or the wrap-up time
        Paused,
        Waiting, // only recalls are left, none due yet
        Finished,
    };

    PowerDialler(DiallerHost& host, DoNotCallTable& doNotCall, CallAttemptTable& attempts,
                 QObject* parent = nullptr);
    ~PowerDialler() override;

    // Starts a campaign over the list's rows. False, after telling the user, while another
    // campaign runs or when the list has nobody to call.
    bool Start(const TempContactList& list, CampaignOptions options);
    // A campaign an earlier run left unfinished.
    bool HasSaved();
    // Goes on with the saved campaign, its workbook read again with `iniPath` for the list's
    // settings. The person being called when the program ended waits for an outcome and is
    // not dialled again.
    bool Resume(const QString& iniPath);
    // Ends the campaign (or forgets the saved one); what was written stays.
    void Stop();
    // The program ends: nothing more happens, and the saved campaign stays for the next start.
    void Halt();

    // The outcome of the current person: written, kept, the call hung up when still on, and
    // the next dial follows after the wrap-up time. A 再联系 makes a reminder at `recallAt`.
    bool SaveOutcome(DialOutcome outcome, const QString& remark, const QDateTime& recallAt = {});
    // The current person is passed over (the call hung up when still on).
    bool SkipCurrent();
    // Pauses, or goes on.
    void TogglePause();
    // Takes the last outcome or skip back: cells, attempt, note and do-not-call entry as
    // they were; the person is current again. False when there is nothing to take back.
    bool Undo();

    // The box reported the end of the call.
    void OnCallEnded();
    // The box or the phone came or went: a lost line pauses, a line back goes on.
    void OnLineChanged();
    // Looks at the clock again: a recall may have fallen due.
    void Tick();

    bool IsRunning() const { return phase_ != Phase::Idle && phase_ != Phase::Finished; }
    Phase CurrentPhase() const { return phase_; }
    const Campaign& State() const { return campaign_; }
    CampaignProgress Progress() const;
    // The entry being called or waiting for its outcome; -1 for none.
    int Current() const { return current_; }
    // The entry dialled after the current one.
    int Upcoming() const;
    const TempContactList& List() const { return list_; }
    // The notes about a number: its earlier attempts.
    std::vector<CallAttempt> EarlierAttempts(const QString& number);
    bool CanUndo() const { return !undo_.empty(); }
    int PendingWrites() const { return int(pending_.size()); }

signals:
    // Anything the campaign panel shows changed.
    void Changed();
    // The workbook's row now holds these cells; the call list shows them.
    void CellsWritten(int row, int status, const QString& remark);
    // The campaign ended: finished or stopped.
    void Ended();

private:
    struct Write {
        QString number;
        int row = 0;
        int status = 0;
        QString remark{};
        bool exact = false; // both cells as given (an outcome taken back)
    };
    struct UndoStep {
        int index = 0;
        CampaignEntry before{};
        bool wasDialled = false;
        bool wrote = false;
        int oldStatus = 0;
        QString oldRemark{};
        int attemptId = 0;
        int noteId = 0;
        QString doNotCallAdded{};
    };

    void Advance();
    void Dial(int index);
    void OnPlaced(int index);
    void ScheduleNext();
    void Pause(const QString& notice);
    void Finish();
    void Save();
    std::int64_t Now() const;
    // Writes (or keeps for later) one row's cells; earlier kept writes go first.
    void WriteRow(const Write& write);
    // Writes the kept writes it can; tells the user once when some must wait.
    void WritePending();
    void PushUndo(UndoStep step);
    bool TryWrite(Write& write);
    void FlushPending();
    // After rows were inserted or deleted: each entry follows its number to its new row.
    void FollowMovedRows();
    void CloseSegment();

    DiallerHost& host_;
    DoNotCallTable& doNotCall_;
    CallAttemptTable& attempts_;
    TempContactList list_{QString()};
    Campaign campaign_;
    Phase phase_ = Phase::Idle;
    int current_ = -1;
    bool dialled_ = false;  // the current person's dial went (or may have gone) out
    bool callOver_ = false; // and the call has ended
    qint64 hungUpAt_ = 0;   // ms since the epoch
    bool paused_ = false;
    bool pausedByLine_ = false;
    bool savedWhole_ = false; // since the campaign started or was read back
    std::vector<UndoStep> undo_;
    std::vector<Write> pending_;
    QTimer next_;
    QTimer retry_;
    QElapsedTimer segment_; // the running time not yet added to the campaign
};

} // namespace tamberlink
