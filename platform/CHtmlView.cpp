#include "CHtmlView.h"

#include "UrlOpener.h"

#include <wx/log.h>

namespace quillveil {

CHtmlView* CHtmlView::Create(wxWindow& parent, const wxRect& rect,
                             const PreviewEngineFactory& engine, LinkOpener opener)
{
    auto* pane = new CHtmlView;
    pane->Hide(); // before the window exists, so it is never shown by creation
    if (!pane->wxWindow::Create(&parent, PaneId, rect.GetPosition(), rect.GetSize(), 0)) {
        delete pane;
        return nullptr;
    }
    {
        wxLogNull quiet;
        if (engine) {
            pane->m_engine = engine(*pane, opener);
        }
    }
    if (pane->m_engine == nullptr) {
        pane->Destroy();
        return nullptr;
    }
    pane->Bind(wxEVT_SIZE, &CHtmlView::OnSize, pane);
    return pane;
}

void CHtmlView::OpenWithDesktop(const wxString& url)
{
    DesktopUrlOpener().Open(url);
}

void CHtmlView::Navigate2(const wxString& url)
{
    if (url == "about:blank") {
        m_engine->LoadBlankPage();
    }
}

bool CHtmlView::PutBodyHtml(std::string_view utf8Html)
{
    return m_engine->PutBodyHtml(utf8Html);
}

void CHtmlView::OnSize(wxSizeEvent& event)
{
    // The engine's view is the pane's one child and fills it.
    for (wxWindow* child : GetChildren()) {
        child->SetSize(GetClientSize());
    }
    event.Skip();
}

} // namespace quillveil
