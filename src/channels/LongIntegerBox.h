#pragma once
// The long-integer box of the channel dialogs: bounded to its range (arrows and
// wheel stop at its ends; the wheel only once it has the focus), yet a typed number
// outside the range stays in view, so OK and Test refuse it by name instead of
// quietly keeping the last good value; arrows and wheel leave such a text alone.
#include <QSpinBox>

#include <optional>

class LongIntegerBox : public QSpinBox {
    Q_OBJECT
public:
    LongIntegerBox(int minimum, int maximum, QWidget* parent = nullptr);

    // The number in the box when it lies in the range; nothing for an empty box or one outside it.
    std::optional<int> enteredValue() const;
    // Shows a stored value; one that is no number in the range shows fallback instead.
    void showStored(const QString& text, int fallback);
    // Steps only from a number in the range; any other text stays for OK to refuse.
    void stepBy(int steps) override;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// OK and Test: a box without a number in its range is refused with a message that
// names the field and its range; the focus goes back into the box.
bool acceptEnteredNumber(LongIntegerBox* box, const QString& fieldName);
