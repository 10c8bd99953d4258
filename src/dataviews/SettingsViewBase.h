#pragma once
// What the coupler's settings views share: one block of registers of one
// coupler table, read at RefreshData into an image and a snapshot, written
// back as one block on Apply (under lifted write protection where the view
// asks for it), then read again. A view whose last read failed writes nothing;
// after a lost link it shows nothing as read until the next read.
#include "SettingsWrite.h"
#include "platform/BusyScope.h"
#include "platform/ViewContract.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <span>

class IDeviceService;
class QGroupBox;
class QLabel;
class QPushButton;
class ScrolledWindow;

class SettingsViewBase : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    ~SettingsViewBase() override;

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;
    QSize sizeHint() const override;

    bool lastReadOk() const { return m_lastReadOk; }
    // The read failure shown in the header; empty when the last read succeeded.
    QString statusText() const;

protected:
    struct Design {
        QString formName;
        int32_t table = 0;
        int32_t count = 0;
        bool liftsProtection = false;
        int scrolledWidthTwips = 0; // the scrolled window's design extent
        int scrolledHeightTwips = 0;
    };
    SettingsViewBase(const Design& design, QWidget* parent);

    // The register image from the view's first register on.
    std::span<int32_t> registers() { return std::span(m_RegValues).first(size_t(m_count)); }
    // The first register from..to whose value differs from the snapshot of the last read, or -1.
    int32_t firstChangedRegister(int32_t from, int32_t to) const;
    // The frame that shows the registers; greyed while they are unread.
    void setContent(QWidget* content) { m_content = content; }

    virtual void fRegsToControls() = 0;
    // False when a control holds no register word: the user was told, and nothing changed.
    virtual bool fControlsToRegs() = 0;
    // The controls after a failed read: nothing that looks like a device value.
    virtual void clearControls() {}
    // After a write the device accepted: the reboot question and what follows it. A failure
    // is reported there; its code comes back so a lost link ends the Apply.
    virtual int32_t afterWrite() { return 0; }
    // A line the status shows beside a read failure until the next Apply or refresh.
    void setNotice(const QString& notice);

    ScrolledWindow* ScrolledWindow1;
    QGroupBox* Frame7;
    QLabel* lblType;
    QLabel* lblValueType;
    QLabel* lblStatus;
    QPushButton* cmdApply;
    QPushButton* cmdCancel;

    IDeviceChannel* m_Channel = nullptr;
    std::unique_ptr<IDeviceService> m_DevSrv;
    int32_t m_DevPos = 0;
    int32_t m_FirstReg = 0;

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ResizeControls();
    void ReadTable0();
    void showLinkLost(int32_t code);
    void setStatus(const QString& failure);
    settingswrite::ProtectedWrite WriteTable0();
    void showRegisters();
    void cmdApply_Click();
    // Writes what fControlsToRegs took from the controls; the code of the lost link that ended it, else 0.
    int32_t applySettings();
    void cmdCancel_Click();

    const int32_t m_table;
    const int32_t m_count;
    const bool m_liftsProtection;
    const QSize m_designSize;
    std::array<int32_t, 256> m_RegValues{};
    std::array<int32_t, 256> m_RegSnapshot{};
    bool m_lastReadOk = false;
    FormBusy m_busy; // Apply waits for the rebooting device with window messages running
    QString m_failure;
    QString m_notice;
    QWidget* m_content = nullptr;
};
