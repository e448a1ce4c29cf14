#include "GuiTestSupport.h"

#include "app/About.h"
#include "app/UCTRAD.h"
#include "app/UFrm_Option.h"
#include "app/UFrm_Progress.h"
#include "app/UMain.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_IMG.h"
#include "packer/UFrm_ModEdit.h"

#include <iostream>

class TranslationTest : public TGuiTest {};

TEST_F(TranslationTest, Dump)
{
    auto main = CreateMainWindow(false);
    main->CreateAboutWindow();
    std::vector<QWidget *> windows{main.get(), main->AboutWindow(), new TFrm_Option, new TFrm_BIF, new TFrm_MODView,
                                   new TFrm_MODEdit, new TFrm_Progress, new TFrm_TLK, new TFrm_SSF, new TFrm_2DA,
                                   new TFrm_TXT, new TFrm_UTX, new TFrm_IMG};
    for (QWidget *w : windows) {
        std::cout << "[" << CTRAD::Section(w).toStdString() << "]\n";
        for (auto &t : CTRAD::Texts(w))
            std::cout << t.Key.toStdString() << "=" << t.Get().toStdString() << "\n";
    }
}
