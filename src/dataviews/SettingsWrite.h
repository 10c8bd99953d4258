#pragma once
// What both settings views do around their block writes on Apply: the write
// protection lifted for the view's requests and switched on again, each step
// keeping its own result, and the texts that name the step that failed.
#include <QString>
#include <QValidator>
#include <cstdint>
#include <functional>

class IDeviceChannel;
class IDeviceService;
class QWidget;

namespace settingswrite {

struct ProtectedWrite {
    int32_t lift = 0;    // protection off
    int32_t write = 0;   // the view's requests; not sent when the lift failed
    int32_t restore = 0; // protection on again
    bool written() const { return lift == 0 && write == 0; }
    // The first step that got no usable answer (the device may be gone), or 0.
    int32_t linkFailure() const;
};

// Lifts the protection, runs write and switches the protection on again, once more when the
// device refused that. Without a service (a view that writes unprotected) only write runs.
ProtectedWrite writeUnderLiftedProtection(IDeviceService* service, IDeviceChannel* channel,
                                          const std::function<int32_t()>& write);

// The steps after the settings were written that fail on their own.
enum class Step { StatisticsRestart, MeasurementOn, MeasurementOff, Protection };

QString writeFailedMessage(int32_t code, bool english);
// "The settings were written, but …: code N (reason)."
QString stepFailedMessage(Step step, int32_t code, bool english);
QString rebootFailedMessage(int32_t code, bool english);
// A restart request that got no usable answer: the device may be restarting all the same.
QString rebootUnansweredMessage(int32_t code, bool english);
// What the user is told of a restart request's result: one of the two above; empty for 0.
QString restartMessage(int32_t result, bool english);
// The one answer to an Apply after a read that failed.
QString notReadMessage(bool english);
// What the user is told of a protected write; empty when every step succeeded.
QString protectedWriteMessage(const ProtectedWrite& result, bool english);

// The settings views' number fields: a register word in decimal is Acceptable (leading zeros
// allowed), anything else Intermediate. No keystroke is dropped: what is no word stays in view
// for Apply to refuse, never quietly turned into another number.
class WordFieldValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& text, int& pos) const override;
};

// An entry no register holds, refused before anything is written: the field, back at its old
// value, is brought into view with its tab and the invalid-entry box tells why.
void showRefusedEntry(QWidget* field);

} // namespace settingswrite
