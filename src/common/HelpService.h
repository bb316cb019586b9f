#pragma once

namespace orvane {

// Responsibilities: opens the program's help at its contents or at a numeric
// help context (F1 on a control, the Help menu items). The program shows its
// built-in HTML help; tests record the requests.
class HelpService {
public:
    virtual ~HelpService() = default;
    virtual void showContents() = 0;
    virtual void showContext(int helpContext) = 0;
};

}  // namespace orvane
