// The tools that act on the canvas: their identifiers and the base they share.
#pragma once

#include "view/view_tool.h"

namespace varnel {

// Active tool identifiers. Any other value acts as the hand tool.
enum ToolId : unsigned {
    kToolMarquee = 0,
    kToolHand = 17,
    kToolZoomIn = 18,
    kToolZoomOut = 19,
};

class ToolManager;

class Tool : public ViewTool {
public:
    explicit Tool(ToolManager& tools) : tools_(tools) {}

    // Space went down: from now on the temporary hand takes the events, and a drag that cannot
    // wait for it ends here.
    virtual void temporaryHandStarts() {}

protected:
    ToolManager& tools_;
};

}  // namespace varnel
