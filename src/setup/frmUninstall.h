#pragma once
#include "platform/Form.h"

class frmUninstall : public Form {
    Q_OBJECT
public:
    frmUninstall();
};
