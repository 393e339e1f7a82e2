#include "browser/dispatch.h"

#include <cstdio>

namespace ole {

std::string StatusText(HRESULT status)
{
    // The French system texts of the statuses the tool can meet, trimmed of
    // their final period like every system message the tool shows.
    switch (status) {
    case E_ABORT:
        return "Opération abandonnée";
    case E_FAIL:
        return "Erreur non spécifiée";
    case E_NOINTERFACE:
        return "Cette interface n'est pas prise en charge";
    case E_POINTER:
        return "Pointeur non valide";
    case DISP_E_MEMBERNOTFOUND:
        return "Membre introuvable";
    case DISP_E_PARAMNOTFOUND:
        return "Paramètre introuvable";
    case DISP_E_TYPEMISMATCH:
        return "Le type ne correspond pas";
    case DISP_E_UNKNOWNNAME:
        return "Nom inconnu";
    case DISP_E_EXCEPTION:
        return "Une exception s'est produite";
    case DISP_E_BADPARAMCOUNT:
        return "Nombre de paramètres non valide";
    case RPC_E_DISCONNECTED:
        return "L'objet invoqué s'est déconnecté de ses clients";
    case RPC_E_CANTCALLOUT_ININPUTSYNCCALL:
        return "Un appel sortant ne peut pas être effectué car l'application distribue un "
               "appel synchrone entrant";
    case RPC_E_TIMEOUT:
        return "Cette opération a été abandonnée car le délai d'attente a expiré";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "Erreur OLE %.8X", static_cast<uint32_t>(status));
    return text;
}

} // namespace ole
