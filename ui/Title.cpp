#include "ui/Title.h"

std::string MovieTitle(const std::string& path) {
    return "Pelorin -" + ExtractFileName(path) + "-";
}
