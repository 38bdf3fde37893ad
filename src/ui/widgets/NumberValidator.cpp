#include "ui/widgets/NumberValidator.h"

#include "util/PhoneNumber.h"

namespace tamberlink {

QValidator::State NumberValidator::validate(QString& input, int& pos) const {
    const qsizetype before = input.size();
    input = PhoneNumber::Digits(input);
    pos = qMax(0, int(pos - (before - input.size())));
    return Acceptable;
}

} // namespace tamberlink
