#pragma once
#include "platform/Form.h"

class frmMain : public Form {
    Q_OBJECT
public:
    frmMain();
};
