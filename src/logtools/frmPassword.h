#pragma once
#include "platform/Form.h"

class frmPassword : public Form {
    Q_OBJECT
public:
    frmPassword();
};
