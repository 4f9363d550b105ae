// Page tabs that come and go with what is shown (the Image page, the editor's pages). A hidden tab
// is out of reach: not shown, not enabled (the arrow keys and Ctrl+Tab pass over it), and not
// listed to screen readers. Of a focused tab bar only the current tab reports the focus.
#pragma once

class QTabWidget;

// Shows or hides the page's tab, enabling it with it.
void ShowPageTab(QTabWidget* pages, int index, bool shown);

// Made known to the toolkit once, before the first tab bar is shown: tab bars then tell screen
// readers their shown tabs only.
void InstallPageTabsAccessibility();
