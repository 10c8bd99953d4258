#pragma once
// Checks of the two address kinds the network dialogs take as text: IPv4
// addresses (four octets) and RTN net ids (six octets). A key filter judges
// every typed key, a validator the whole text on Enter; both report through a
// hint label and the field's background colour.
#include <QColor>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;

enum class AddressKind { IpAddress, RtnNetId };

// A colour value written as &HBBGGRR: red in the low byte, blue in the high byte.
QColor vbColor(uint32_t bgr);

inline constexpr uint32_t kFieldTyping = 0xFFFFFF;
inline constexpr uint32_t kFieldValid = 0x00FF66;
inline constexpr uint32_t kFieldInvalid = 0x0000FF;
inline constexpr uint32_t kHintError = 0x0000FF;
inline constexpr uint32_t kHintNotice = 0xFF8080;

struct AddressCheck {
    bool valid = false;
    QString text; // the normalised text when valid
    QString hint; // the failure hint when not
};

AddressCheck ValidateIpAddress(const QString& text);
AddressCheck ValidateRtnNetId(const QString& text);
AddressCheck validateAddress(AddressKind kind, const QString& text);

struct KeyFilterResult {
    enum class Hint { Keep, Hide, Show };
    int key = 0; // 0 discards the key
    Hint hint = Hint::Keep;
    QString hintText;
    uint32_t hintColour = kHintError;
    bool whiteBackground = false;
    bool validate = false; // Enter: judge the whole text
};

// The filter of one typed character code (8 backspace, 13 Enter, 3 copy, 22 paste).
KeyFilterResult CheckIpAddressKey(int key);
KeyFilterResult CheckRtnNetIdKey(int key);
KeyFilterResult checkAddressKey(AddressKind kind, int key);

// The numbers of a text of exactly count decimal octets 0..255 joined by ".";
// nothing otherwise. The plain syntax check behind saving a route.
std::optional<QList<int>> parseOctets(const QString& text, int count);

// Runs the key filter on a line edit's key presses and shows its results on
// the field and the hint label.
class AddressFieldFilter : public QObject {
    Q_OBJECT
public:
    AddressFieldFilter(AddressKind kind, QLineEdit* field, QLabel* hint, QObject* parent = nullptr);

    // Enter, typed or simulated: validates and colours the field; an invalid
    // text gets the focus and is selected. Returns whether it was valid.
    bool pressEnter();
    // The validator alone: the hint on failure, the normalised text on success.
    bool validate();

    QLineEdit* field() const { return m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Applies the filter's result to the field and hint; returns the key to pass on.
    int applyKey(int key);

    AddressKind m_kind;
    QLineEdit* m_field;
    QLabel* m_hint;
    bool m_lastValid = false;
};

void showHint(QLabel* hint, const QString& text, uint32_t colour);
void setFieldBackground(QLineEdit* field, uint32_t colour);
