#include "LogBox.h"

namespace {
constexpr int kTrimAt = 8192;  // characters (16384 bytes of UTF-16)
constexpr int kTrimBy = 4096;
}

void AppendLogText(ILogBox* box, const QString& text)
{
    if (!box)
        return;
    QString copy = text;

    if (!box->KeepsAll() && box->Text().size() >= kTrimAt)
        box->SetText(box->Text().mid(kTrimBy));
    const int length = int(box->Text().size());
    box->SetSelStart(length);

    // A backspace removes the character before it; leading ones select the box's last character instead.
    for (qsizetype at = copy.indexOf(QChar(8)); at >= 0; at = copy.indexOf(QChar(8))) {
        if (at > 0) {
            copy.remove(at - 1, 2);
        } else {
            copy.remove(0, 1);
            if (length > 0) {
                box->SetSelStart(length - 1);
                box->SetSelLength(1);
            }
        }
    }

    copy.remove(QChar(10));
    copy.replace(QChar(13), QStringLiteral("\r\n"));
    box->SetSelText(copy);
}

QString quotableText(const QString& text, int maxChars)
{
    QString out = text.size() > maxChars ? text.left(maxChars - 1) + QChar(0x2026) : text;
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' '); // a CR, LF or backspace would break the line apart
    return out;
}
