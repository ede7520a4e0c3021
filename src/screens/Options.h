#pragma once
#include "platform/Form.h"

class Options : public Form {
    Q_OBJECT
public:
    Options();
};
