#pragma once
#include "ui/Form.h"

class LinkLabel;

class Options : public Form {
    Q_OBJECT
public:
    Options();

private:
    void onEditTextClicked();

    LinkLabel *lblEditText;
};
