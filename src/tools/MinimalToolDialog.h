#pragma once
// What a service tool offers until its full form is built: the tool contract,
// the kept station element and channel of its last RefreshData, and a Close
// button. It unloads itself when closed.
#include "platform/ViewContract.h"

#include <QDialog>
#include <QString>

class MinimalToolDialog : public QDialog, public IRefreshData {
    Q_OBJECT
public:
    MinimalToolDialog(const QString& formName, QWidget* parent = nullptr);

    // Keeps station element and channel, takes the parameter, shows itself modeless.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    pugi::xml_node station() const { return m_station; }
    IDeviceChannel* channel() const { return m_channel; }
    int refreshCount() const { return m_refreshCount; }

protected:
    virtual void takeParam(const QString& param) { (void)param; }

private:
    pugi::xml_node m_station;
    IDeviceChannel* m_channel = nullptr;
    int m_refreshCount = 0;
};
