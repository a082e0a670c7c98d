#include "ui/Title.h"

std::string MovieTitle(const std::string& path, TLeadByteTest isLeadByte) {
    return "Pelorin -" + ExtractFileName(path, isLeadByte) + "-";
}
