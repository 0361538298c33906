// One reader per kind of document (read_document.cpp picks it). Each returns the
// document or why it cannot be read, and throws nothing.
#pragma once

#include <varnel/document.h>

#include <string>

namespace document {

Reading ReadEpub(const std::string& path);
Reading ReadPdf(const std::string& path);
Reading ReadHtml(const std::string& path);
Reading ReadDocx(const std::string& path);
Reading ReadOdt(const std::string& path);
Reading ReadFb2(const std::string& path);
Reading ReadMarkdown(const std::string& path);

}  // namespace document
