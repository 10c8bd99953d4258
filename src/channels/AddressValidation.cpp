#include "AddressValidation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTimer>

namespace {

constexpr int kBackspace = 8;
constexpr int kEnter = 13;
constexpr int kCopy = 3;
constexpr int kPaste = 22;
constexpr int kPoint = 46;
constexpr int kComma = 44;

struct AddressRules {
    int maxLength;  // a text of this length or more is refused at once
    QList<std::pair<int, int>> ranges; // per octet
    const char* tooLong;
    const char* wrongCount;
    const char* badOctet; // after the octet's number
};

const AddressRules& rulesOf(AddressKind kind)
{
    static const AddressRules ip{16,
                                 {{10, 255}, {0, 255}, {0, 255}, {1, 255}},
                                 "IP address is not valid!",
                                 "IP address contains too many or not much octets!",
                                 ".octet of IP address is not valid."};
    static const AddressRules netId{24,
                                    {{0, 255}, {0, 255}, {0, 255}, {0, 255}, {1, 255}, {1, 255}},
                                    "RtnNetID is not valid!",
                                    "RtnNetID contains too many or not much octets!",
                                    ".octet of RtnNetID is not valid."};
    return kind == AddressKind::IpAddress ? ip : netId;
}

// A decimal number with optional surrounding blanks, as pasted text may carry.
std::optional<int> octetValue(const QString& part)
{
    const QString t = part.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return t.toInt();
}

} // namespace

QColor vbColor(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

AddressCheck validateAddress(AddressKind kind, const QString& text)
{
    const AddressRules& rules = rulesOf(kind);
    AddressCheck check;
    if (text.size() >= rules.maxLength) {
        check.hint = QLatin1String(rules.tooLong);
        return check;
    }
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != rules.ranges.size()) {
        check.hint = QLatin1String(rules.wrongCount);
        return check;
    }
    QStringList normalised;
    for (int n = 0; n < parts.size(); ++n) {
        const std::optional<int> v = octetValue(parts[n]);
        const auto [low, high] = rules.ranges[n];
        if (!v || *v < low || *v > high) {
            check.hint = QString::number(n + 1) + QLatin1String(rules.badOctet);
            return check;
        }
        normalised << QString::number(*v);
    }
    check.valid = true;
    check.text = normalised.join(QLatin1Char('.'));
    return check;
}

AddressCheck ValidateIpAddress(const QString& text) { return validateAddress(AddressKind::IpAddress, text); }
AddressCheck ValidateRtnNetId(const QString& text) { return validateAddress(AddressKind::RtnNetId, text); }

KeyFilterResult checkAddressKey(AddressKind kind, int key)
{
    KeyFilterResult r;
    r.key = key;
    const bool digit = key >= '0' && key <= '9';
    if (digit || key == kBackspace || key == kEnter || key == kCopy || key == kPaste) {
        r.whiteBackground = true;
        r.hint = KeyFilterResult::Hint::Hide;
    } else if (key != kPoint && key != kComma) {
        r.key = 0;
        r.hint = KeyFilterResult::Hint::Show;
        r.hintText = QStringLiteral("Letters and special characters are not allowed");
        return r;
    } else {
        r.whiteBackground = true;
        if (key == kPoint) {
            r.hint = KeyFilterResult::Hint::Hide;
        } else {
            r.key = kPoint;
            if (kind == AddressKind::IpAddress) {
                r.hint = KeyFilterResult::Hint::Show;
                r.hintText = QStringLiteral("Inputerror: Comma is automatic changed to point!");
                r.hintColour = kHintNotice;
            }
        }
    }
    if (r.key == kEnter) {
        r.key = 0; // Enter is not passed on
        r.validate = true;
    }
    return r;
}

KeyFilterResult CheckIpAddressKey(int key) { return checkAddressKey(AddressKind::IpAddress, key); }
KeyFilterResult CheckRtnNetIdKey(int key) { return checkAddressKey(AddressKind::RtnNetId, key); }

std::optional<QList<int>> parseOctets(const QString& text, int count)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != count)
        return std::nullopt;
    QList<int> out;
    for (const QString& part : parts) {
        // Only plain digits: the check guards what is written, not what is typed.
        if (part != part.trimmed())
            return std::nullopt;
        const std::optional<int> v = octetValue(part);
        if (!v || *v > 255)
            return std::nullopt;
        out << *v;
    }
    return out;
}

void showHint(QLabel* hint, const QString& text, uint32_t colour)
{
    if (!hint)
        return;
    hint->setText(text);
    QPalette p = hint->palette();
    p.setColor(QPalette::WindowText, vbColor(colour));
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    hint->setPalette(p);
    hint->setAutoFillBackground(true);
    hint->setVisible(true);
}

void setFieldBackground(QLineEdit* field, uint32_t colour)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Base, vbColor(colour));
    field->setPalette(p);
}

AddressFieldFilter::AddressFieldFilter(AddressKind kind, QLineEdit* field, QLabel* hint, QObject* parent)
    : QObject(parent)
    , m_kind(kind)
    , m_field(field)
    , m_hint(hint)
{
    field->installEventFilter(this);
}

bool AddressFieldFilter::validate()
{
    const AddressCheck check = validateAddress(m_kind, m_field->text());
    if (!check.valid) {
        showHint(m_hint, check.hint, kHintError);
        return false;
    }
    if (m_field->text() != check.text)
        m_field->setText(check.text);
    return true;
}

bool AddressFieldFilter::pressEnter()
{
    applyKey(kEnter);
    return m_lastValid;
}

int AddressFieldFilter::applyKey(int key)
{
    const KeyFilterResult r = checkAddressKey(m_kind, key);
    if (r.whiteBackground)
        setFieldBackground(m_field, kFieldTyping);
    if (r.hint == KeyFilterResult::Hint::Hide && m_hint)
        m_hint->setVisible(false);
    else if (r.hint == KeyFilterResult::Hint::Show)
        showHint(m_hint, r.hintText, r.hintColour);
    if (r.validate) {
        m_lastValid = validate();
        if (m_lastValid) {
            setFieldBackground(m_field, kFieldValid);
        } else {
            m_field->setFocus();
            m_field->setSelection(0, int(m_field->text().size()));
            setFieldBackground(m_field, kFieldInvalid);
            // Judged while leaving the field, the field's own focus-out drops the selection
            // after this; selected again once the focus change has settled, typing replaces it.
            QTimer::singleShot(0, m_field, [field = m_field] {
                field->setFocus();
                field->setSelection(0, int(field->text().size()));
            });
        }
    }
    return r.key;
}

bool AddressFieldFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int code = 0;
    switch (keyEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: code = kEnter; break;
    case Qt::Key_Backspace: code = kBackspace; break;
    // Keys that move the focus or the cursor, delete or close type no character.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Delete: return false;
    default:
        if (keyEvent->text().isEmpty())
            return false;
        code = keyEvent->text().at(0).unicode();
        break;
    }
    const int key = applyKey(code);
    if (key == 0)
        return true;
    if (key != code) {
        m_field->insert(QString(QChar(key))); // a comma becomes a point
        return true;
    }
    return false;
}
