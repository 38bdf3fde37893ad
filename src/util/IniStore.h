#pragma once

#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace tamberlink {

// A small INI file of UTF-8 text: a line "[name]" starts a section, any other line is split
// at its first '=' into key and value, kept exactly as written (no trimming). Save rewrites
// the whole file, section by section, one "key=value" line per key.
class IniStore {
public:
    explicit IniStore(QString path);

    // Reads the file, creating it empty when it does not exist. False when it cannot be read
    // or created; the store is then empty.
    bool Load();
    // Rewrites the file at once (a crash leaves the old or the new file, never a mix).
    bool Save(QString* error = nullptr) const;

    // The value, or empty when the section or key is missing.
    std::string Get(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);

    const QString& Path() const { return path_; }
    // The file's text as Save writes it.
    std::string Text() const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };

    void Parse(const std::string& text);
    Section& SectionNamed(const std::string& name);
    static std::string& ValueOf(Section& section, const std::string& key);

    QString path_;
    std::vector<Section> sections_;
};

} // namespace tamberlink
