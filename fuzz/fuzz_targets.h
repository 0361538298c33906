// The fuzz targets as plain functions, for the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

int FuzzTextLoad(const std::uint8_t* data, std::size_t size);
int FuzzProfile(const std::uint8_t* data, std::size_t size);
int FuzzCommandLine(const std::uint8_t* data, std::size_t size);
int FuzzMarkup(const std::uint8_t* data, std::size_t size);
int FuzzVariant(const std::uint8_t* data, std::size_t size);
int FuzzWire(const std::uint8_t* data, std::size_t size);
int FuzzMarkdown(const std::uint8_t* data, std::size_t size);
int FuzzEpubPackage(const std::uint8_t* data, std::size_t size);
int FuzzEpubNavigation(const std::uint8_t* data, std::size_t size);
int FuzzXhtmlText(const std::uint8_t* data, std::size_t size);
int FuzzOfficeText(const std::uint8_t* data, std::size_t size);
