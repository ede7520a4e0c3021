#pragma once
// The news viewer: its load fetches the news, closes the update window,
// keeps a copy in "C:\news2.txt" and shows that copy; "&Website" opens the
// update page.

#include "platform/HttpFetch.h"
#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QPushButton>

#include <memory>

class frmNews : public Form {
    Q_OBJECT
public:
    frmNews();

    void onWebsiteClick();
    void onCloseClick();

    RichTextBox *rtfNews;
    QPushButton *cmdWebsite;
    QPushButton *cmdClose;
    std::shared_ptr<platform::HttpTransfer> Inet1;

protected:
    void onLoad() override;
    void onUnload() override;

private:
    void ReadTextFailed(int number, const QString &description);
};
