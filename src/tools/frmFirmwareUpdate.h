#pragma once
// The firmware dialog, as far as it is built: it keeps the station element,
// the channel and its mode, and shows itself.
#include "platform/MinimalDialog.h"

class frmFirmwareUpdate : public MinimalDialog {
    Q_OBJECT
public:
    explicit frmFirmwareUpdate(QWidget* parent = nullptr);

    // "FIRMWARE_LOAD" or "FIRMWARE_UPDATE".
    QString mode() const { return m_mode; }
    // "FIRMWARE_LOAD" when the upper-cased parameter is exactly that, else "FIRMWARE_UPDATE".
    static QString fFirmwareMode(const QString& param);

protected:
    void takeParam(const QString& param) override { m_mode = fFirmwareMode(param); }

private:
    QString m_mode = QStringLiteral("FIRMWARE_UPDATE");
};
