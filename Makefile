# The two commands of a fresh machine:
#   make example   install what is missing, build, compile the example voice project
#   make test      install what is missing, build with sanitizers, run every test

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/asan

.PHONY: example test bootstrap release

bootstrap:
	@scripts/bootstrap

release: bootstrap
	@cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

example: release
	@cd examples && ../$(RELEASE_DIR)/dist/bin/tessor demo.log demo.data
	@echo "example image: examples/demo.data"

test: bootstrap
	@cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOICE_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
