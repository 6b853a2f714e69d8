#include <gtest/gtest.h>

#include "EditorServices/BundleExports.h"
#include "EditorServices/ClipboardService.h"
#include "FakeMessageService.h"
#include "pf/clipboard/testing.h"

namespace {

using namespace tessivar_test;

TEST(BundleExports, KeepTheLastBundleContext) {
    tovrenna::BundleContext first("first"), second("second");
    _us_set_bundle_context_instance_com_velderine_service(&first);
    _us_set_bundle_context_instance_com_velderine_service(&second);
    EXPECT_EQ(EditorServices::bundleContext(), &second);
    _us_set_bundle_context_instance_com_velderine_service(nullptr);
}

TEST(BundleExports, InstanceMakesTheComponentWithTheInjectedFactoryUnderItsServiceInterface) {
    auto factory = std::make_shared<FakeMessageServiceFactory>();
    auto* instance = NewInstance_EditorServices_ClipboardService();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->service(), nullptr);
    EXPECT_THROW(instance->activate({}), std::invalid_argument);

    instance->activate({{"MessageServiceFactory", std::static_pointer_cast<ms::MessageServiceFactory>(factory)}});
    auto service = std::static_pointer_cast<connector::common::DeferredService>(instance->service());
    EXPECT_NE(dynamic_cast<EditorServices::ClipboardService*>(service.get()), nullptr);
    EXPECT_EQ(factory->client->subscribed.size(), 6u);
    service.reset();

    factory->client->dropHandlers();
    instance->deactivate();
    EXPECT_EQ(instance->service(), nullptr);
    DeleteInstance_EditorServices_ClipboardService(instance);
    DeleteInstance_EditorServices_ClipboardService(nullptr);
    pf::clipboard::testing::reset();
}

}  // namespace
