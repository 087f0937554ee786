# The generator test runs the generator itself; the product data test applies the looks, which
# needs the widget toolkit.
target_link_libraries(resource_generator_test PRIVATE tarvo_resource_generator)
target_link_libraries(product_data_test PRIVATE Qt6::Widgets)
