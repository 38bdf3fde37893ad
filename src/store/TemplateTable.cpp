#include "store/TemplateTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

std::vector<TemplateRecord> TemplateTable::Read(std::string_view sql) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(sql);
    std::vector<TemplateRecord> templates;
    while (query.Next()) {
        templates.push_back({query.Int(0), query.Text(1), query.Text(2)});
    }
    return templates;
}

std::vector<TemplateRecord> TemplateTable::Load() {
    return Read("select * from table_template order by id desc");
}

std::vector<TemplateRecord> TemplateTable::GetAll() {
    return Read("select * from table_template");
}

bool TemplateTable::Save(const TemplateRecord& record) {
    const auto lock = connection_.Lock();
    if (record.id == -1) {
        SqlStatement insert =
            connection_.Prepare("insert into table_template(title, content) values(?, ?)");
        insert.Bind(1, record.title).Bind(2, record.content);
        return insert.Run();
    }
    SqlStatement update =
        connection_.Prepare("update table_template set title=?, content=? where id=?");
    update.Bind(1, record.title).Bind(2, record.content).Bind(3, QString::number(record.id));
    return update.Run();
}

bool TemplateTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_template where id=?", ids, "删除模版短信失败：");
    return true;
}

} // namespace tamberlink
