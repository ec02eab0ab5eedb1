#include "support/coin_check.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/nodes/SoSeparator.h>

namespace testsupport {
namespace {

void collect(const SoError* error, void* data)
{
    auto* messages = static_cast<std::string*>(data);
    *messages += error->getDebugString().getString();
    *messages += '\n';
}

}  // namespace

std::string coin_read_errors(const std::string& scene)
{
    SoDB::init();
    std::string messages;
    SoReadError::setHandlerCallback(collect, &messages);
    SoInput input;
    input.setBuffer(scene.data(), scene.size());
    SoSeparator* root = SoDB::readAll(&input);
    if (root == nullptr) {
        if (messages.empty())
            messages = "SoDB::readAll gave no scene";
    } else {
        root->ref();
        if (root->getNumChildren() == 0)
            messages += "the scene has no nodes\n";
        root->unref();
    }
    SoReadError::setHandlerCallback(nullptr, nullptr);
    return messages;
}

}  // namespace testsupport
