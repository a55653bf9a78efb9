#include "app/TarnDoc.h"

#include "midi/MIDIDevice.h"

CTarnDoc::CTarnDoc()
{
    m_dataController.SetDevice(&g_MIDIDevice);
}
