# The two commands of a fresh machine (./make runs scripts/bootstrap first, so
# that they work where make itself is not installed yet):
#   make example   install what is missing, build the programs, compile the example voice project
#   make test      install what is missing, build with sanitizers and run every test,
#                  then build as `make example` does (optimised, no sanitizers) with the
#                  tests and run every test again
# And, not part of the test run:
#   make fuzz      build the fuzz harnesses with clang and run each of them for
#                  FUZZ_SECONDS (default 60) on FUZZ_WORKERS processes (default 1)

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/asan
RELEASE_TEST_DIR := build/release-tests
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_WORKERS ?= 1
# Seconds a test may run when it sets no limit of its own: the fuzz corpus
# replays, each well under a second. Every other test sets its limit in its
# tests/*/CMakeLists.txt, with room for a machine whose every core is busy
# with other work. A hang fails in good time and names its test.
TEST_TIMEOUT ?= 30
# The configuration users get from `make example`.
RELEASE_OPTIONS := -DCMAKE_BUILD_TYPE=Release

# Configures the build folder $(1) with the options $(2) and builds it.
define configure_and_build
	@cmake -S . -B $(1) -G Ninja $(2) >/dev/null
	@cmake --build $(1) -j $(JOBS)
endef

# Configures the build folder $(1) with the options $(2), builds it and runs
# every test there; a run that finds no test fails.
define build_and_test
	$(call configure_and_build,$(1),$(2))
	@cd $(1) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error \
		--timeout $(TEST_TIMEOUT) -j $(JOBS)
endef

.PHONY: example test bootstrap release fuzz

bootstrap:
	@scripts/bootstrap

# The programs and what they and their installation need; no test programs.
release: bootstrap
	$(call configure_and_build,$(RELEASE_DIR),$(RELEASE_OPTIONS) -DVOICE_BUILD_TESTS=OFF)

example: release
	@cd examples && ../$(RELEASE_DIR)/dist/bin/tessor demo.log demo.data
	@echo "programs: $(CURDIR)/$(RELEASE_DIR)/dist/"
	@echo "example image: $(CURDIR)/examples/demo.data"

# First under the sanitizers, where warnings are errors; then the optimised
# programs users get, built as `make example` builds them but in a folder of
# their own with the tests, so that the example build stays without them.
test:
	@scripts/bootstrap test
	$(call build_and_test,$(TEST_DIR),-DCMAKE_BUILD_TYPE=Debug -DVOICE_SANITIZE=ON -DVOICE_WERROR=ON)
	$(call build_and_test,$(RELEASE_TEST_DIR),$(RELEASE_OPTIONS) -DVOICE_BUILD_TESTS=ON)

fuzz:
	@scripts/bootstrap fuzz
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DVOICE_FUZZ=ON -DVOICE_BUILD_GUI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_compile fuzz_wave
	@fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_WORKERS)
