// Starts the usage-data service opted in, logs one item and finds it in the persistence file.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "usage_data/RavoLogging.h"
#include "usage_data/RavoService.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string file = argv[1];
    std::remove(file.c_str());

    ravo::RavoService service;
    service.setApplicationName("consumer");
    service.setApplicationVersion("1.0");
    service.setPersistencePath(fl::filesystem::basic_path(std::u16string(file.begin(), file.end())));
    service.setOptIn(true);
    if (const int status = service.start(); status != ravo::RavoService::STS_SERVICE_SUCCESS) {
        std::fprintf(stderr, "start: %s\n", ravo::RavoService::getStatusString(status).c_str());
        return 1;
    }
    ravo::RavoData data;
    data.values["answer"] = std::string("forty-two");
    ravo::logRavoData({"consumer.item", "1"}, data, {});
    service.stop(std::chrono::seconds(5));

    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find("forty-two") == std::string::npos) {
        std::fprintf(stderr, "the item is not in %s: %s\n", file.c_str(), text.c_str());
        return 1;
    }
    return 0;
}
