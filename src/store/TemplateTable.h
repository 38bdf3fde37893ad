#pragma once

#include "store/TemplateRecord.h"

#include <string_view>
#include <vector>

namespace tamberlink {

class StoreConnection;

// table_template: the SMS templates.
class TemplateTable {
public:
    explicit TemplateTable(StoreConnection& connection)
        : connection_(connection) {}

    std::vector<TemplateRecord> Load();   // newest first
    std::vector<TemplateRecord> GetAll(); // in table order
    // Inserts a template with id -1, updates any other.
    bool Save(const TemplateRecord& record);
    bool Delete(const std::vector<int>& ids);

private:
    std::vector<TemplateRecord> Read(std::string_view sql);

    StoreConnection& connection_;
};

} // namespace tamberlink
