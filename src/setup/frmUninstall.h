#pragma once
#include "ui/Form.h"

class frmUninstall : public Form {
    Q_OBJECT
public:
    frmUninstall();
};
