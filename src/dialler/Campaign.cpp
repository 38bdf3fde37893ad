#include "dialler/Campaign.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <set>

namespace tamberlink {

namespace {

// Fewer digits than any line can dial.
constexpr int kShortestNumber = 3;

bool Unfinished(int status) {
    return status == 0 || status == int(DialOutcome::NoAnswer);
}

} // namespace

Campaign::Campaign(const std::vector<TempContact>& items, CampaignOptions options)
    : options_(std::move(options)) {
    const std::set<int> chosen(options_.rows.begin(), options_.rows.end());
    std::set<QString> seen;
    entries_.reserve(items.size());
    for (const TempContact& item : items) {
        if (chosen.empty() ? !Unfinished(item.status) : !chosen.contains(item.row)) {
            continue;
        }
        CampaignEntry entry{item.row, item.name, item.number};
        if (item.number.size() < kShortestNumber) {
            entry.state = CampaignEntry::State::Skipped;
            entry.reason = QStringLiteral("号码无法拨打");
        } else if (!options_.dialDuplicates && !seen.insert(item.number).second) {
            entry.state = CampaignEntry::State::Skipped;
            entry.reason = QStringLiteral("重复号码，已在前面拨打");
        }
        entries_.push_back(std::move(entry));
    }
}

int Campaign::NextDue(std::int64_t now) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const CampaignEntry& entry = entries_[i];
        if (entry.state == CampaignEntry::State::Waiting && entry.dueAt <= now) {
            return int(i);
        }
    }
    return -1;
}

std::optional<std::int64_t> Campaign::NextDueTime() const {
    std::optional<std::int64_t> earliest;
    for (const CampaignEntry& entry : entries_) {
        if (entry.state == CampaignEntry::State::Waiting &&
            (!earliest || entry.dueAt < *earliest)) {
            earliest = entry.dueAt;
        }
    }
    return earliest;
}

int Campaign::Following(int index) const {
    for (std::size_t i = std::size_t(index + 1); i < entries_.size(); ++i) {
        if (entries_[i].state == CampaignEntry::State::Waiting && entries_[i].dueAt == 0) {
            return int(i);
        }
    }
    return -1;
}

bool Campaign::Finished() const {
    return std::none_of(entries_.begin(), entries_.end(), [](const CampaignEntry& entry) {
        return entry.state == CampaignEntry::State::Waiting;
    });
}

CampaignEntry& Campaign::Entry(int index) {
    if (std::size_t(index) < entryText_.size()) {
        entryText_[std::size_t(index)].clear();
    }
    changed_.insert(index);
    return entries_[std::size_t(index)];
}

void Campaign::Record(int index, DialOutcome outcome, std::int64_t now) {
    CampaignEntry& entry = Entry(index);
    ++entry.attempts;
    entry.outcome = int(outcome);
    if (outcome == DialOutcome::NoAnswer && entry.attempts < options_.maxAttempts) {
        entry.state = CampaignEntry::State::Waiting;
        entry.dueAt = now + std::int64_t(options_.recallMinutes) * 60;
        return;
    }
    entry.state = CampaignEntry::State::Done;
    entry.dueAt = 0;
}

void Campaign::Skip(int index, const QString& reason) {
    CampaignEntry& entry = Entry(index);
    entry.state = CampaignEntry::State::Skipped;
    entry.reason = reason;
}

CampaignProgress Campaign::Progress() const {
    CampaignProgress progress;
    progress.total = int(entries_.size());
    progress.calls = calls_;
    progress.elapsedSeconds = elapsed_;
    for (const CampaignEntry& entry : entries_) {
        if (entry.outcome >= 1 && entry.outcome <= 4) {
            ++progress.perOutcome[entry.outcome];
        }
        if (entry.state == CampaignEntry::State::Skipped) {
            ++progress.skipped;
            progress.doNotCall += entry.reason == QStringLiteral("免打扰名单") ? 1 : 0;
        }
        progress.done += entry.state != CampaignEntry::State::Waiting ? 1 : 0;
    }
    return progress;
}

QJsonObject Campaign::EntryToJson(const CampaignEntry& entry) {
    return {{"row", entry.row},           {"name", entry.name},
            {"number", entry.number},     {"state", int(entry.state)},
            {"attempts", entry.attempts}, {"dueAt", double(entry.dueAt)},
            {"outcome", entry.outcome},   {"reason", entry.reason}};
}

CampaignEntry Campaign::EntryFromJson(const QJsonObject& json) {
    CampaignEntry entry;
    entry.row = json["row"].toInt();
    entry.name = json["name"].toString();
    entry.number = json["number"].toString();
    entry.state = CampaignEntry::State(std::clamp(json["state"].toInt(), 0, 2));
    entry.attempts = json["attempts"].toInt();
    entry.dueAt = std::int64_t(json["dueAt"].toDouble());
    entry.outcome = json["outcome"].toInt();
    entry.reason = json["reason"].toString();
    return entry;
}

QByteArray Campaign::ToJsonText(std::int64_t extraElapsed) const {
    QJsonArray rows;
    for (int row : options_.rows) {
        rows.append(row);
    }
    const QJsonObject head{{"throughPhone", options_.throughPhone},
                           {"wrapUp", options_.wrapUpSeconds},
                           {"recallMinutes", options_.recallMinutes},
                           {"maxAttempts", options_.maxAttempts},
                           {"duplicates", options_.dialDuplicates},
                           {"rows", rows},
                           {"calls", calls_},
                           {"elapsed", double(elapsed_ + extraElapsed)}};
    QByteArray text = QJsonDocument(head).toJson(QJsonDocument::Compact);
    // The object is never empty, so its closing brace gives way to one more member.
    text.chop(1);
    entryText_.resize(entries_.size());
    text.reserve(text.size() + qsizetype(entries_.size()) * 128);
    text += ",\"entries\":[";
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        QByteArray& entry = entryText_[i];
        if (entry.isEmpty()) {
            entry = QJsonDocument(EntryToJson(entries_[i])).toJson(QJsonDocument::Compact);
        }
        if (i > 0) {
            text += ',';
        }
        text += entry;
    }
    text += "]}";
    return text;
}

QJsonObject Campaign::ChangesToJson(std::int64_t extraElapsed) const {
    QJsonArray entries;
    for (const int index : changed_) {
        QJsonObject entry = EntryToJson(entries_[std::size_t(index)]);
        entry.insert(QStringLiteral("index"), index);
        entries.append(entry);
    }
    return {{"calls", calls_}, {"elapsed", double(elapsed_ + extraElapsed)}, {"entries", entries}};
}

void Campaign::ApplyChanges(const QJsonObject& changes) {
    calls_ = changes["calls"].toInt(calls_);
    elapsed_ = std::int64_t(changes["elapsed"].toDouble(double(elapsed_)));
    for (const auto& value : changes["entries"].toArray()) {
        const QJsonObject entry = value.toObject();
        const int index = entry["index"].toInt(-1);
        if (index >= 0 && std::size_t(index) < entries_.size()) {
            Entry(index) = EntryFromJson(entry);
        }
    }
}

Campaign Campaign::FromJson(const QJsonObject& json) {
    Campaign campaign;
    CampaignOptions& options = campaign.options_;
    options.throughPhone = json["throughPhone"].toBool();
    options.wrapUpSeconds = std::clamp(json["wrapUp"].toInt(10), 0, 60);
    options.recallMinutes = std::max(0, json["recallMinutes"].toInt(30));
    options.maxAttempts = std::max(1, json["maxAttempts"].toInt(3));
    options.dialDuplicates = json["duplicates"].toBool();
    for (const auto& row : json["rows"].toArray()) {
        options.rows.push_back(row.toInt());
    }
    campaign.calls_ = json["calls"].toInt();
    campaign.elapsed_ = std::int64_t(json["elapsed"].toDouble());
    for (const auto& entry : json["entries"].toArray()) {
        campaign.entries_.push_back(EntryFromJson(entry.toObject()));
    }
    return campaign;
}

} // namespace tamberlink
