#include "frmCommonSetting.h"

#include "devices/MappingServer.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"
#include "platform/LocaleInfo.h"
#include "platform/ModDataConvert.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace commonsettings;

namespace {

constexpr int kLastReg = kRegisterCount - 1;

// Bits 0-7 of a process-image register: control name, German caption, English string.
struct OptionText {
    const char* name;
    const char* german;
    int english;
};
constexpr OptionText kImageOptions[8] = {
    {"chkActivateImage", "Prozeßabbild aktiv", 900},
    {"chkAutoconfiguration", "Auto-Konfiguration", 901},
    {"chkEvaluation", "Auswertung komplexe Klemmen", 902},
    {"chkMotorola", "Motorola (Komplexe Kl.)", 903},
    {"chkMotorolaDigitalTM", "Motorola-Format (Digitale Kl.)", 904},
    {"chkWordAlignment", "Word Alignment", 905},
    {"chkInputSynch", "Eingangsabbild freilaufend", 906},
    {"chkOutputSynch", "Ausgangsabbild freilaufend", 908},
};
// By Reaction: leave the cycle, reset, keep.
constexpr OptionText kFieldbusOptions[3] = {
    {"radStopCycle", "Klemmenbuszyklus verlassen", 911},
    {"radOutputDefault", "Ausgänge rücksetzen", 912},
    {"radOutputNoChange", "Ausgänge unverändert", 913},
};
constexpr OptionText kTerminalbusOptions[3] = {
    {"radStopDataTransfer", "Datenaustausch verlassen", 914},
    {"radInputDefault", "Eingänge rücksetzen", 915},
    {"radInputNoChange", "Eingänge unverändert", 916},
};
constexpr OptionText kEvents[3] = {
    {"radEvents_0", "Feldbusspezifischer Kanal", 927},
    {"radEvents_1", "Diagose Interface", 928},
    {"radEvents_3", "Zyklisches Interface", 929},
};
constexpr int kEventIndexes[3] = {kEventsFieldbus, kEventsDiagnosis, kEventsCyclic};

QString mappingFailedText(int32_t code, bool english)
{
    const QString pattern = english
        ? QStringLiteral("The process image mapping could not be computed: code %1 (%2). A new log-in rebuilds it.")
        : QStringLiteral("Die Prozessabbild-Zuordnung konnte nicht berechnet werden: Code %1 (%2). Ein neues Einloggen "
                         "baut sie neu auf.");
    return pattern.arg(code).arg(channelResultText(code, english));
}

QString indexed(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// A register word in decimal. What is typed stays as typed, for Apply to judge; a plain edit field
// has no wheel or arrow keys that could change a value the user never chose.
QLineEdit* numberField(const QString& name)
{
    auto* field = named(new QLineEdit, name);
    field->setValidator(new settingswrite::WordFieldValidator(field));
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(twipsToPx(1200));
    return field;
}

// A tab page of two equal columns of frames, each column packed from the top.
QWidget* twoColumnPage(std::initializer_list<QWidget*> left, std::initializer_list<QWidget*> right)
{
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    for (const auto& frames : {left, right}) {
        auto* column = new QVBoxLayout;
        for (QWidget* frame : frames)
            column->addWidget(frame);
        column->addStretch();
        row->addLayout(column, 1);
    }
    return page;
}

// Shows the option whose id is given, or none: the group must then allow an empty state.
void selectOption(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

void showField(QLineEdit* field, const std::optional<uint16_t>& value)
{
    field->setText(value ? QString::number(*value) : QString());
}

} // namespace

frmCommonSetting::frmCommonSetting(QWidget* parent)
    : SettingsViewBase({QStringLiteral("frmCommonSetting"), 0, kRegisterCount, true, 10455, 7455}, parent)
    , Frame8(new QGroupBox(ScrolledWindow1))
    , SSTab1(new QTabWidget(Frame8))
    , Frame4(named(new QGroupBox(QStringLiteral(" Prozeßabbild-Offset ")), QStringLiteral("Frame4")))
    , fpMasterSlave(numberField(QStringLiteral("fpMasterSlave")))
    , fpSlaveMaster(numberField(QStringLiteral("fpSlaveMaster")))
    , chkSPSInterface(named(new QCheckBox(QStringLiteral("SPS-Interface")), QStringLiteral("chkSPSInterface")))
    , Frame2(named(new QGroupBox(QStringLiteral("Diagnosemeldung über ")), QStringLiteral("Frame2")))
    , m_eventsGroup(new QButtonGroup(this))
    , chkAutoReset(named(new QCheckBox(QStringLiteral("Auto-Reset")), QStringLiteral("chkAutoReset")))
    , chkDiagnostics(named(new QCheckBox(QStringLiteral("Gerätediagnose")), QStringLiteral("chkDiagnostics")))
    , chkDiagnosticsDigTerm(
          named(new QCheckBox(QStringLiteral("Diagnose im Prozessabbild")), QStringLiteral("chkDiagnosticsDigTerm")))
    , chkOldTermConfig(
          named(new QCheckBox(QStringLiteral("Alte Klemmen Konfiguration")), QStringLiteral("chkOldTermConfig")))
{
    setWindowTitle(QString());
    Frame8->setObjectName(QStringLiteral("Frame8"));
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    Frame8->setGeometry(twipsRect(240, 1440, 8655, 5775));
    SSTab1->setGeometry(twipsRect(120, 120, 8655 - 240, 5775 - 240));
    setContent(Frame8);

    for (int n = 0; n < kImageCount; ++n) {
        fraImageDesc[n] = named(new QGroupBox, indexed("fraImageDesc", n));
        auto* options = new QVBoxLayout(fraImageDesc[n]);
        for (int b = 0; b < 8; ++b) {
            m_imageOptions[n][b] = named(new QCheckBox(QString::fromUtf8(kImageOptions[b].german)),
                                         indexed(kImageOptions[b].name, n));
            options->addWidget(m_imageOptions[n][b]);
        }

        const auto reactionFrame = [&](const char* name, const char* caption, const OptionText (&texts)[3],
                                       std::array<QRadioButton*, 3>& buttons, QButtonGroup*& group) {
            auto* frame = named(new QGroupBox(QString::fromUtf8(caption)), indexed(name, n));
            auto* column = new QVBoxLayout(frame);
            group = new QButtonGroup(this);
            for (int r = 0; r < 3; ++r) {
                buttons[r] = named(new QRadioButton(QString::fromUtf8(texts[r].german)), indexed(texts[r].name, n));
                group->addButton(buttons[r], r);
                column->addWidget(buttons[r]);
            }
            return frame;
        };
        fraFieldbusError[n] = reactionFrame("fraFieldbusError", " Reaktion Feldbusfehler ", kFieldbusOptions,
                                            m_fieldbusOptions[n], m_fieldbusGroup[n]);
        fraTerminalbusError[n] = reactionFrame("fraTerminalbusError", " Reaktion Klemmenbusfehler ",
                                               kTerminalbusOptions, m_terminalbusOptions[n], m_terminalbusGroup[n]);

        SSTab1->addTab(twoColumnPage({fraImageDesc[n]}, {fraFieldbusError[n], fraTerminalbusError[n]}),
                       QStringLiteral("ProcData%1").arg(n + 1));
    }

    // "SPS Interface": the offsets, the interface switch, the diagnosis channel.
    auto* offsets = new QFormLayout(Frame4);
    offsets->addRow(named(new QLabel(QStringLiteral("Master-Slave")), QStringLiteral("lblMasterSlave")), fpMasterSlave);
    offsets->addRow(named(new QLabel(QStringLiteral("Slave-Master")), QStringLiteral("lblSlaveMaster")), fpSlaveMaster);
    auto* frame1 = named(new QGroupBox, QStringLiteral("Frame1"));
    (new QVBoxLayout(frame1))->addWidget(chkSPSInterface);
    auto* events = new QVBoxLayout(Frame2);
    for (int i = 0; i < 3; ++i) {
        const int index = kEventIndexes[i];
        radEvents[index] = named(new QRadioButton(QString::fromUtf8(kEvents[i].german)), QString::fromLatin1(kEvents[i].name));
        m_eventsGroup->addButton(radEvents[index], index);
        events->addWidget(radEvents[index]);
    }
    // The cyclic interface cannot be chosen here; it only shows what the coupler holds.
    radEvents[kEventsCyclic]->setEnabled(false);
    SSTab1->addTab(twoColumnPage({Frame4, frame1}, {Frame2}), QStringLiteral("SPS Interface"));

    // "H-Bus": terminal-bus behaviour, the hold times, the old terminal configuration.
    auto* frame3 = named(new QGroupBox, QStringLiteral("Frame3"));
    auto* busChecks = new QVBoxLayout(frame3);
    busChecks->addWidget(chkAutoReset);
    busChecks->addWidget(chkDiagnostics);
    busChecks->addWidget(chkDiagnosticsDigTerm);
    auto* frame5 = named(new QGroupBox, QStringLiteral("Frame5"));
    auto* waits = new QFormLayout(frame5);
    for (int i = 0; i < 2; ++i) {
        lblWaitAfterSYNC[i] = named(new QLabel(QStringLiteral("Wartezeit nach SYNC_%1").arg(i)), indexed("lblWaitAfterSYNC", i));
        fpWaitValue[i] = numberField(indexed("fpWaitValue", i));
        waits->addRow(lblWaitAfterSYNC[i], fpWaitValue[i]);
    }
    auto* frame6 = named(new QGroupBox, QStringLiteral("Frame6"));
    (new QVBoxLayout(frame6))->addWidget(chkOldTermConfig);
    SSTab1->addTab(twoColumnPage({frame3, frame6}, {frame5}), QStringLiteral("H-Bus"));

    if (localeIsEnglish())
        SetEnglishCaptions();
    ScrolledWindow1->ArrangeConstituentControls();
}

void frmCommonSetting::SetEnglishCaptions()
{
    for (int n = 0; n < kImageCount; ++n) {
        for (int b = 0; b < 8; ++b)
            m_imageOptions[n][b]->setText(LoadResString(kImageOptions[b].english));
        fraFieldbusError[n]->setTitle(LoadResString(909));
        fraTerminalbusError[n]->setTitle(LoadResString(910));
        for (int r = 0; r < 3; ++r) {
            m_fieldbusOptions[n][r]->setText(LoadResString(kFieldbusOptions[r].english));
            m_terminalbusOptions[n][r]->setText(LoadResString(kTerminalbusOptions[r].english));
        }
    }
    Frame2->setTitle(LoadResString(926));
    for (int i = 0; i < 3; ++i)
        radEvents[kEventIndexes[i]]->setText(LoadResString(kEvents[i].english));
    Frame4->setTitle(LoadResString(930));
    chkDiagnostics->setText(LoadResString(921));
    chkDiagnosticsDigTerm->setText(LoadResString(922));
    lblWaitAfterSYNC[0]->setText(LoadResString(923));
    lblWaitAfterSYNC[1]->setText(LoadResString(924));
    chkOldTermConfig->setText(LoadResString(925));
}

void frmCommonSetting::showSettings(const CommonSettings& s)
{
    chkSPSInterface->setChecked(s.spsInterface);
    selectOption(m_eventsGroup, s.events);
    chkAutoReset->setChecked(s.autoReset);
    chkDiagnostics->setChecked(s.diagnostics);
    chkDiagnosticsDigTerm->setChecked(s.diagnosticsDigTerm);
    showField(fpMasterSlave, s.fields[0]);
    showField(fpSlaveMaster, s.fields[1]);
    showField(fpWaitValue[0], s.fields[2]);
    showField(fpWaitValue[1], s.fields[3]);
    chkOldTermConfig->setChecked(s.oldTermConfig);
    for (int n = 0; n < kImageCount; ++n) {
        const ProcessImage& image = s.images[size_t(n)];
        for (int b = 0; b < 8; ++b)
            m_imageOptions[n][b]->setChecked(image.options[size_t(b)]);
        selectOption(m_fieldbusGroup[n], image.fieldbusError);
        selectOption(m_terminalbusGroup[n], image.terminalbusError);
    }
    SSTab1->setCurrentIndex(0);
}

void frmCommonSetting::fRegsToControls()
{
    showSettings(commonsettings::fRegsToControls(registers().first<kRegisterCount>()));
}

void frmCommonSetting::clearControls()
{
    CommonSettings none; // nothing checked, no option chosen, every field empty
    for (ProcessImage& image : none.images)
        image.fieldbusError = image.terminalbusError = kNoOption;
    showSettings(none);
}

bool frmCommonSetting::fControlsToRegs()
{
    CommonSettings s;
    // Every field is judged before anything changes: one refused entry writes nothing.
    const std::array<QLineEdit*, 4> fields = {fpMasterSlave, fpSlaveMaster, fpWaitValue[0], fpWaitValue[1]};
    for (size_t i = 0; i < fields.size(); ++i) {
        const RegisterWord entry = parseRegisterWord(WordFormat::Unsigned, fields[i]->text());
        if (entry.ok()) {
            s.fields[i] = uint16_t(entry.word);
        } else if (entry.verdict != WordVerdict::NoEntry) { // an empty field keeps its register
            showField(fields[i], uint16_t(registers()[7 + i])); // the value last read
            settingswrite::showRefusedEntry(fields[i]);
            return false;
        }
    }
    s.spsInterface = chkSPSInterface->isChecked();
    s.events = m_eventsGroup->checkedId(); // -1 when none is selected
    s.autoReset = chkAutoReset->isChecked();
    s.diagnostics = chkDiagnostics->isChecked();
    s.diagnosticsDigTerm = chkDiagnosticsDigTerm->isChecked();
    s.oldTermConfig = chkOldTermConfig->isChecked();
    for (int n = 0; n < kImageCount; ++n) {
        ProcessImage& image = s.images[size_t(n)];
        for (int b = 0; b < 8; ++b)
            image.options[size_t(b)] = m_imageOptions[n][b]->isChecked();
        image.fieldbusError = m_fieldbusGroup[n]->checkedId();
        image.terminalbusError = m_terminalbusGroup[n]->checkedId();
    }
    commonsettings::fControlsToRegs(s, registers().first<kRegisterCount>());
    return true;
}

int32_t frmCommonSetting::afterWrite()
{
    // The mapping server lives for this Apply only.
    MappingServer mapping;
    if (firstChangedRegister(0, kLastReg) < 0)
        return ChOk;
    // The values are on the device already; No only leaves the reboot to the user.
    if (app().dialogs->MsgBox(QStringLiteral("Reboot to take settings ?"), vbYesNo | vbQuestion) != vbYes)
        return ChOk;
    int32_t result = 0;
    m_DevSrv->RebootDevice(m_Channel, result);
    if (result != ChOk)
        app().dialogs->MsgBox(settingswrite::restartMessage(result, localeIsEnglish()), vbOKOnly | vbExclamation);
    // A refused restart is not waited for; one whose answer was lost may be under way.
    if (result != ChOk && !isLostAnswer(result))
        return result;
    app().dialogs->Wait(kRestartMs);
    const int32_t lastImageRegister = kFirstImageRegister + kImageCount - 1;
    if (firstChangedRegister(kFirstImageRegister, lastImageRegister) < 0 || !m_station.get)
        return ChOk;
    pugi::xml_node station = m_station.get();
    // The mapping follows the program's current channel, as the log-in's does.
    const int32_t mapped = mapping.CalculateMapping(station, app().gObjDevChannel);
    if (mapped != ChOk)
        setNotice(mappingFailedText(mapped, localeIsEnglish())); // the old mapping no longer fits the images
    else if (m_station.set)
        m_station.set(station);
    return ChOk;
}
