// One-line boxes whose text goes into a "#"-separated record or tree line.
#pragma once

#include <QValidator>

// "#" separates the fields of a stored line and a control character would break it, so neither
// can be typed: both are dropped as they come, the cursor kept in place.
class TRecordTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        for (qsizetype i = input.size() - 1; i >= 0; --i) {
            const QChar c = input[i];
            if (c == '#' || c.unicode() < 0x20) {
                input.remove(i, 1);
                if (pos > i)
                    --pos;
            }
        }
        return Acceptable;
    }
};
