#pragma once

#include <QString>

namespace tamberlink {

// An SMS template. An id of -1 marks a template not stored yet.
struct TemplateRecord {
    int id = -1;
    QString title;
    QString content;
};

} // namespace tamberlink
