#pragma once

#include "control/operatingstate.h"
#include "protocol/linkstate.h"
#include "protocol/rsfunctions.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class ComForm;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;

namespace control {

class FrontPanel;
class SevenSegmentDisplay;
struct StatusReply;

// Tevlin's main window: link settings and connection, the status poll that mirrors the
// amplifier's front panel, and the operating controls. The controls never send anything
// themselves; they change wanted values that the next poll reconciles with the amplifier.
class TevlinWindow : public QMainWindow
{
    Q_OBJECT
public:
    // What a setup dialog leaves behind after it changed the amplifier's address or speed.
    struct SetupLinkValues
    {
        int DevAdr = 0;
        int ComSpe = 0;
    };
    // Ways out to the rest of the program; tests replace them.
    struct Hooks
    {
        // The network address prompt: the answer, or an empty text for Cancel.
        std::function<QString(const QString& current)> askAddress;
        // Opens the setup dialog of a model modally.
        std::function<void(int modelCode)> openSetup;
        // The link values the setup dialog of a model left, if it has any.
        std::function<std::optional<SetupLinkValues>(int modelCode)> setupLinkValues;
    };

    TevlinWindow(LinkState& state, ComForm& link, QString setupIniPath, QWidget* parent = nullptr);
    ~TevlinWindow() override;

    void setHooks(Hooks hooks);
    // The start-up sequence: settings, port menus, poll interval, debug window.
    void load();

    void ConnectOrDisconnect();
    void SelectComPort(int port);
    bool ComPortAvailable(int port);
    void SelectComSpeed(int index);
    void Com_Adress_Click();
    void BtnSetupAmp_Click();
    void Update_Timer();

    const OperatingState& operatingState() const { return m_op; }
    int pollInterval() const { return m_update.interval(); }
    bool isPolling() const { return m_polling; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void exitProgram();
    void buildControls();
    void buildMenus();
    void connectControls();
    void resetDisplay();
    void ShowConnected();
    void ShowNotConnected();
    void disconnectLink();
    void portLost();
    void dropUnsendableAddress();
    void readBackLinkSettings();
    void poll();
    bool waitForAmplifier(const std::function<bool()>& condition);
    void identify(const StatusReply& reply);
    void act(const std::function<void(OperatingState&)>& action);
    void showValues();
    void showPanel();
    void setOperatingControlsEnabled(bool enabled);
    void setBalanceVisible(bool visible);

    LinkState& m_state;
    ComForm& m_link;
    RSfunctions m_rs;
    QString m_setupIniPath;
    Hooks m_hooks;
    OperatingState m_op;
    QTimer m_update;
    bool m_polling = false;
    bool m_setupPending = false;
    // Shown front panel mode: dark until the first reply after connecting.
    bool m_panelLit = false;

    FrontPanel* m_front = nullptr;
    QPushButton* m_btnConnectCancel = nullptr;
    QLabel* m_lblConnect = nullptr;
    QPushButton* m_btnSetupAmp = nullptr;
    QPushButton* m_btnPower = nullptr;
    QPushButton* m_btnMute = nullptr;
    SevenSegmentDisplay* m_smallDisplay = nullptr;

    struct VolumeRow
    {
        QLabel* label;
        QPushButton* down;
        QSlider* slider;
        QPushButton* up;
        QLineEdit* text;
        QPushButton* set;
        std::optional<int> shownValue; // what the text box and slider were last given
        QList<QWidget*> controls() const;
    };
    static void setRowEnabled(VolumeRow& row, bool enabled);
    VolumeRow m_volume{};
    VolumeRow m_defVolume{};
    VolumeRow m_maxVolume{};
    VolumeRow m_balance{};
    std::array<QPushButton*, 9> m_inputs{};

    QMenu* m_setting = nullptr;
    std::array<QAction*, 17> m_comActions{};
    std::array<QAction*, 3> m_speedActions{};
    QAction* m_comAdress = nullptr;
};

} // namespace control
