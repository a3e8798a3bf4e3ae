#include "core/windowlinks.h"

WindowLinks& Links()
{
    static WindowLinks links;
    return links;
}
