#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct zip;
struct zip_source;

namespace tamberlink {

// A zip package held in memory: its members can be read (each one bounded in size, so a
// crafted archive cannot make us inflate gigabytes) and a copy of the package can be made
// with one member replaced, every other member's compressed bytes copied as they are.
class ZipPackage {
public:
    enum class ReadResult { Ok, Missing, TooLarge, Corrupt };

    ZipPackage() = default;
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Takes the package's bytes. False when they are not a zip archive.
    bool Open(std::string bytes, QString* error);
    void Close();

    const std::string& Bytes() const { return bytes_; }
    // Member names compare without regard to case, as office programs do.
    bool Has(const std::string& name) const;
    // Inflates a member into `out`; TooLarge when it holds more than `limit` bytes.
    ReadResult Read(const std::string& name, std::string& out, std::size_t limit) const;
    // The package with member `name` holding `content`, in the same place among the members.
    bool WithReplaced(const std::string& name, std::string_view content, std::string& out,
                      QString* error) const;

    // A new package of the given members, in order, deflated.
    static bool Build(const std::vector<std::pair<std::string, std::string>>& members,
                      std::string& out, QString* error);

private:
    std::string bytes_;
    zip_source* source_ = nullptr;
    zip* archive_ = nullptr;
};

} // namespace tamberlink
