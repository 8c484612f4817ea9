// The process's one WindowLinks object.
#include "session/window_links.h"

WindowLinks& Links()
{
    static WindowLinks links;
    return links;
}
