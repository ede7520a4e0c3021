#pragma once
// The About screen: version, release date, supported systems and the maker's
// contacts; hidden (never unloaded) by "&OK".

#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QPushButton>

class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();

    void onOkClick();
    void onCheckForUpdateClick();
    void onEmailClick();
    void onWebClick();
    void onInformationClick();

    QLabel *imgBanner;
    QLabel *lblVersion;
    QLabel *lblRelease;
    QLabel *lblSystems;
    QLabel *lblMaker;
    QLabel *lblSupportHeading;
    LinkLabel *lblEmail;
    LinkLabel *lblWeb;
    LinkLabel *imgInformation;
    QPushButton *cmdCheckForUpdate;
    QPushButton *cmdOK;
};
