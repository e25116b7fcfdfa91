# SPDX-License-Identifier: MIT
# Developer entry points. Each target installs what is missing first.
#   make demo    build the program alone and run the collision sweep (trv sweep)
#   make test    configure, build and run every test
#   make build   configure and build only
#   make package Debian packages of a shared build, in $(BUILD_DIR)/packages
#   make bench   benchmarks against peers, in Release, with the comparison table
#   make docs    API reference (HTML in $(BUILD_DIR)/docs/html), its links checked
# Variables: BUILD_DIR (default build), JOBS (default 2), CMAKE_FLAGS (extra
# options for the configure step, e.g. -DCMAKE_CXX_COMPILER=clang++).

BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: deps configure build demo test package bench docs clean

deps:
	@scripts/install-deps build

configure: deps
	cmake -S . -B $(BUILD_DIR) -DTRV_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

demo: configure
	cmake --build $(BUILD_DIR) -j$(JOBS) --target trv_app
	$(BUILD_DIR)/apps/trv sweep

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

package: configure
	@scripts/install-deps package
	cmake --build $(BUILD_DIR) -j$(JOBS) --target package

bench:
	bench/run

docs:
	@scripts/install-deps docs
	rm -rf $(BUILD_DIR)/docs/html
	mkdir -p $(BUILD_DIR)/docs
	TRV_DOCS_DIR=$(BUILD_DIR)/docs TRV_DOCS_WERROR=$${TRV_DOCS_WERROR:-NO} doxygen docs/Doxyfile
	scripts/check-doc-links $(BUILD_DIR)/docs/html
	@echo "API reference: $(BUILD_DIR)/docs/html/index.html"

clean:
	rm -rf $(BUILD_DIR)
