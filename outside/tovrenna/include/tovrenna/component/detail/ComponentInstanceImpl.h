#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tovrenna/component/ComponentInstance.h"

namespace tovrenna::component::detail {

// Compiled into the bundle: knows the component's type, its service interface and the types of its
// references, given in the order of the constructor's parameters and of the reference names.
template <class Implementation, class ServiceInterface, class... References>
class ComponentInstanceImpl final : public ComponentInstance {
public:
    explicit ComponentInstanceImpl(std::vector<std::string> referenceNames) : referenceNames_(std::move(referenceNames)) {
        if (referenceNames_.size() != sizeof...(References)) {
            throw std::invalid_argument("one name is needed per reference");
        }
    }

    void activate(const BoundReferences& references) override {
        if (component_) return;
        component_ = create(references, std::index_sequence_for<References...>{});
    }
    void deactivate() override { component_.reset(); }
    std::shared_ptr<void> service() const override {
        return std::static_pointer_cast<ServiceInterface>(component_);
    }

private:
    template <std::size_t... Index>
    std::shared_ptr<Implementation> create(const BoundReferences& references, std::index_sequence<Index...>) {
        return std::make_shared<Implementation>(
            std::static_pointer_cast<References>(bound(references, referenceNames_[Index]))...);
    }
    static std::shared_ptr<void> bound(const BoundReferences& references, const std::string& name) {
        auto found = references.find(name);
        if (found == references.end() || !found->second) {
            throw std::invalid_argument("reference " + name + " is not bound");
        }
        return found->second;
    }

    std::vector<std::string> referenceNames_;
    std::shared_ptr<Implementation> component_;
};

}  // namespace tovrenna::component::detail
