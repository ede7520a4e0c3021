#pragma once
#include "platform/Form.h"

class frmNormalLock : public Form {
    Q_OBJECT
public:
    frmNormalLock();
};
