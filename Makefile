# The two commands of a fresh machine (./make runs scripts/bootstrap first, so
# that they work where make itself is not installed yet):
#   make example   install what is missing, build the programs, compile the example voice project
#   make test      install what is missing, build with sanitizers, run every test
# And, not part of the test run:
#   make fuzz      build the fuzz harnesses with clang and run each of them for
#                  FUZZ_SECONDS (default 60) on FUZZ_WORKERS processes (default 1)

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/asan
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_WORKERS ?= 1
# Seconds a test may run when it sets no limit of its own: the slowest takes
# about two, so a hang fails in good time and names its test.
TEST_TIMEOUT ?= 30

.PHONY: example test bootstrap release fuzz

bootstrap:
	@scripts/bootstrap

# The programs and what they and their installation need; no test programs.
release: bootstrap
	@cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOICE_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

example: release
	@cd examples && ../$(RELEASE_DIR)/dist/bin/tessor demo.log demo.data
	@echo "programs: $(CURDIR)/$(RELEASE_DIR)/dist/"
	@echo "example image: $(CURDIR)/examples/demo.data"

# Warnings are errors here; a run that finds no test fails.
test: bootstrap
	@cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOICE_SANITIZE=ON \
		-DVOICE_WERROR=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error \
		--timeout $(TEST_TIMEOUT) -j $(JOBS)

fuzz:
	@scripts/bootstrap fuzz
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DVOICE_FUZZ=ON -DVOICE_BUILD_GUI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_compile fuzz_wave
	@fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_WORKERS)
