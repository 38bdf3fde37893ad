#pragma once

#include "store/TemplateRecord.h"
#include "ui/lists/RowState.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of a template list (the template manager, the template picker): a check box, the
// title and, below it, the beginning of the content. The check box checks the row; what the
// rest of the row does is the list's choice.
class TemplateItem {
public:
    using Record = TemplateRecord;

    enum class Control { None, Check, Title, Content, Item };

    static constexpr int kHeight = 56;
    // Longer contents are cut to this many characters and "...".
    static constexpr int kContentLength = 40;

    explicit TemplateItem(const TemplateRecord& record);

    QString TitleText() const { return title_; }
    QString ContentText() const { return content_; }

    // Inside a row of `width`.
    static QRect ControlRect(Control control, int width);
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    QString title_;
    QString content_;
};

} // namespace tamberlink
