#include "LongIntegerBox.h"

#include "ChannelDialogSupport.h"
#include "platform/AppContext.h"
#include "platform/FormLayout.h"
#include "platform/LocaleInfo.h"
#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>

namespace {
bool isWholeNumberText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?\\d{0,11}\\s*$"));
    return number.match(text).hasMatch();
}
} // namespace

LongIntegerBox::LongIntegerBox(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    fWheelOnlyWhenFocused(this);
}

void LongIntegerBox::stepBy(int steps)
{
    // The base steps from the last number in range typed on the way ("70" of "70000"),
    // replacing the text OK would refuse; a value nobody chose must not come of it.
    if (enteredValue())
        QSpinBox::stepBy(steps);
}

std::optional<int> LongIntegerBox::enteredValue() const
{
    bool ok = false;
    const qlonglong n = cleanText().trimmed().toLongLong(&ok);
    if (!ok || n < minimum() || n > maximum())
        return std::nullopt;
    return int(n);
}

void LongIntegerBox::showStored(const QString& text, int fallback)
{
    setValue(storedNumber(text, minimum(), maximum()).value_or(fallback));
}

QValidator::State LongIntegerBox::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    // A number outside the range may be typed; it is refused on OK and Test.
    if (state == QValidator::Invalid && isWholeNumberText(text))
        return QValidator::Intermediate;
    return state;
}

void LongIntegerBox::focusOutEvent(QFocusEvent* event)
{
    if (hasAcceptableInput()) {
        QSpinBox::focusOutEvent(event);
        return;
    }
    // The base would put the last good value back without a word; the text stays for OK to refuse.
    QCoreApplication::sendEvent(lineEdit(), event);
    QWidget::focusOutEvent(event);
}

void LongIntegerBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !hasAcceptableInput()) {
        event->ignore(); // as at leaving the box: the text stays
        return;
    }
    QSpinBox::keyPressEvent(event);
}

bool acceptEnteredNumber(LongIntegerBox* box, const QString& fieldName)
{
    if (box->enteredValue())
        return true;
    const QString text = localeIsEnglish() ? QStringLiteral("%1 must be a number from %2 to %3!")
                                           : QStringLiteral("%1 muss eine Zahl von %2 bis %3 sein!");
    const QPointer<LongIntegerBox> guard(box);
    app().dialogs->MsgBox(text.arg(fieldName).arg(box->minimum()).arg(box->maximum()), vbCritical, LoadResString(711));
    if (guard) {
        guard->setFocus();
        guard->selectAll();
    }
    return false;
}
