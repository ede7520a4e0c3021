#pragma once
#include "platform/Form.h"

class frmLogViewer : public Form {
    Q_OBJECT
public:
    frmLogViewer();
};
