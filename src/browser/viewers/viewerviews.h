#pragma once

namespace ui {
class ViewRegistry;
}

namespace browser {

// Registers the views of the picture viewer and the PDF reader for their controllers.
void registerViewerViews(ui::ViewRegistry &views);

} // namespace browser
