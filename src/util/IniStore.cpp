#include "util/IniStore.h"

#include "util/AtomicFile.h"

#include <QFile>

#include <algorithm>

namespace tamberlink {

IniStore::IniStore(QString path)
    : path_(std::move(path)) {}

bool IniStore::Load() {
    sections_.clear();
    QFile file(path_);
    if (!file.exists()) {
        return AtomicFile::Write(path_, {});
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    Parse(file.readAll().toStdString());
    return true;
}

void IniStore::Parse(const std::string& text) {
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        // A file saved on Windows ends its lines with CR LF, and one converted twice with
        // CR CR LF: trailing CRs belong to the line break (no value written ends with one).
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &SectionNamed(line.substr(1, line.size() - 2));
            continue;
        }
        const std::size_t equals = line.find('=');
        // Lines without '=' hold no key; Save would otherwise turn blank lines into "=".
        if (equals == std::string::npos) {
            continue;
        }
        if (current == nullptr) {
            current = &SectionNamed({});
        }
        ValueOf(*current, line.substr(0, equals)) = line.substr(equals + 1);
    }
}

std::string& IniStore::ValueOf(Section& section, const std::string& key) {
    auto& entries = section.entries;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const auto& entry) { return entry.first == key; });
    if (it != entries.end()) {
        return it->second;
    }
    return entries.emplace_back(key, std::string()).second;
}

IniStore::Section& IniStore::SectionNamed(const std::string& name) {
    const auto it = std::find_if(sections_.begin(), sections_.end(),
                                 [&](const Section& section) { return section.name == name; });
    if (it != sections_.end()) {
        return *it;
    }
    sections_.push_back(Section{name, {}});
    return sections_.back();
}

std::string IniStore::Get(const std::string& section, const std::string& key) const {
    for (const Section& s : sections_) {
        if (s.name != section) {
            continue;
        }
        for (const auto& [k, v] : s.entries) {
            if (k == key) {
                return v;
            }
        }
    }
    return {};
}

void IniStore::Set(const std::string& section, const std::string& key, const std::string& value) {
    ValueOf(SectionNamed(section), key) = value;
}

std::string IniStore::Text() const {
    std::string text;
    // Keys read before any section header (or under "[]") have no header to write back, so
    // they go first, where they are read back from.
    const auto write = [&text](const Section& section) {
        if (!section.name.empty()) {
            text += '[' + section.name + "]\n";
        }
        for (const auto& [key, value] : section.entries) {
            text += key + '=' + value + '\n';
        }
    };
    for (const Section& section : sections_) {
        if (section.name.empty()) {
            write(section);
        }
    }
    for (const Section& section : sections_) {
        if (!section.name.empty()) {
            write(section);
        }
    }
    return text;
}

bool IniStore::Save(QString* error) const {
    return AtomicFile::Write(path_, Text(), error);
}

} // namespace tamberlink
