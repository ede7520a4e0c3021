#pragma once
#include "platform/Form.h"

class frmOnlineUpdate : public Form {
    Q_OBJECT
public:
    frmOnlineUpdate();
};
