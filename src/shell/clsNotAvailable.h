#pragma once
// The placeholder view: hosted in place of a view that cannot be created,
// it shows "Nicht verfügbar !" and the device's position.
#include "devices/clsConvertXml.h"
#include "platform/ViewContract.h"

#include <QWidget>
#include <cstdint>

class QGroupBox;
class QLabel;
class QPushButton;
class ScrolledWindow;

class clsNotAvailable : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    explicit clsNotAvailable(QWidget* parent = nullptr);

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    IDeviceChannel* m_Obj = nullptr;
    pugi::xml_node m_Xml;
    bool m_Online = false;
    int32_t m_Pos = 0;

Q_SIGNALS:
    void ReqUnload();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ScrolledWindow* m_scrolledWindow;
    QGroupBox* m_frame;
    QLabel* m_lblValuePos;
    QLabel* m_lblValueType;
    QPushButton* m_cmdCancel;
    clsConvertXml m_convert;
};
