#pragma once
// What a dialog or tool offers until its full form is built: the form
// contract, the kept element, channel and parameter of its last RefreshData,
// and a Close button. It shows itself modeless and unloads itself when closed.
#include "platform/ViewContract.h"

#include <QDialog>
#include <QString>

// Names the form, makes it unload on close, gives it a Close button and lists it.
void SetUpStandInDialog(QDialog* dialog, const QString& formName);

class MinimalDialog : public QDialog, public IRefreshData {
    Q_OBJECT
public:
    MinimalDialog(const QString& formName, QWidget* parent = nullptr);

    // Keeps element and channel, takes the parameter, shows itself modeless.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    pugi::xml_node station() const { return m_station; }
    IDeviceChannel* channel() const { return m_channel; }
    int refreshCount() const { return m_refreshCount; }

protected:
    virtual void keepChannel(IDeviceChannel* channel) { m_channel = channel; }
    virtual void takeParam(const QString& param) { (void)param; }

private:
    pugi::xml_node m_station;
    IDeviceChannel* m_channel = nullptr;
    int m_refreshCount = 0;
};
