#pragma once

#include <QValidator>

namespace tamberlink {

// Digits only, for the number boxes. A pasted number keeps its digits: "+86", blanks and
// dashes fall away.
class NumberValidator : public QValidator {
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};

} // namespace tamberlink
