#pragma once

#include "control/linksession.h"

#include <QMainWindow>
#include <memory>
#include <optional>

namespace control {

struct StatusReply;
struct TevlinForm;

// Tevlin's main window: draws the link, the amplifier's front panel and the operating controls that
// the link session reports, and hands the user's clicks to it. The controls never send anything
// themselves; they change wanted values that the session's next poll reconciles with the amplifier.
class TevlinWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TevlinWindow(LinkSession& session, QWidget* parent = nullptr);
    ~TevlinWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void wireControls();
    void wireMenus();
    void askAddress();
    void findAmplifiers();
    void exitProgram();
    void drawPhase(LinkSession::Phase phase);
    void drawReply(const StatusReply& reply);
    void drawValues();
    void drawPanel();
    void drawStale(bool stale);
    void describePanel();
    void setOperatingControlsEnabled(bool enabled);

    LinkSession& m_session;
    std::unique_ptr<TevlinForm> m_ui;
    // What each level row's text box and slider were last given.
    std::array<std::optional<int>, 4> m_shown;
};

} // namespace control
