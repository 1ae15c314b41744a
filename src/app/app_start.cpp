#include "app_start.h"

#include "about_form.h"
#include "additional_options.h"
#include "main_window.h"

namespace vidmorph {

std::unique_ptr<TForm1> CreateForms(const TAppServices& AServices) {
    auto form1 = std::make_unique<TForm1>(AServices);
    if (!form1->FormCreate()) return nullptr;
    form1->AttachAbout(new TFormAbout(form1.get(), AServices.Desktop));  // owned by the main window
    new TForm4(*form1);                                                  // attaches itself; owned likewise
    return form1;
}

}  // namespace vidmorph
