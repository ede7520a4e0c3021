#pragma once
// The update check window: on the first tick of its check timer it fetches
// the published version once and either reports that none is newer or hands
// over to the news viewer. Any failure closes it with one message.

#include "platform/HttpFetch.h"
#include "ui/Form.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <memory>

class frmOnlineUpdate : public Form {
    Q_OBJECT
public:
    frmOnlineUpdate();

    void onCheckTimer();
    void onProgressTimer();
    void onOkClick();
    void onCancelClick();

    QLabel *lblTitle;
    QLabel *lblStatusHeading;
    QLabel *lblStatus;
    QLabel *lblWait;
    QLabel *lblResult;
    QProgressBar *prgDownload;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QTimer *tmrCheck;
    QTimer *tmrProgress;
    std::shared_ptr<platform::HttpTransfer> Inet1;

protected:
    void onLoad() override;
    void onUnload() override;

private:
    void ShowCheckEnded(bool noUpdate);
    void UpdateFailed();
    void ShowNews();

    bool m_checkStarted = false;
    static constexpr int kShownPollMs = 10;
    static constexpr int kMostWaitToBeShownMs = 1000;
    int m_waitedToBeShownMs = 0;
    bool m_closed = false;
};
