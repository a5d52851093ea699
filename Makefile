# Pentarix: `make run` and `make test` do all the set-up on a fresh Debian 12.

BUILD    ?= build
PREFIX   ?= /usr/local
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

# Everything the build, the tests and the benchmarks need from Debian.
DEB_PACKAGES = build-essential cmake pkg-config qt6-base-dev qt6-charts-dev qt6-serialport-dev libgtest-dev libgmock-dev \
               libbenchmark-dev fonts-dejavu-core xvfb xdotool xclip x11-utils imagemagick \
               appstream desktop-file-utils python3 locales dpkg-dev file lintian \
               qt6-translations-l10n libxml2-utils shared-mime-info poppler-utils clang-format

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test check-asan bench install deb clean format format-check

deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/app/pentarix

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

check-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPENTARIX_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS) --timeout 900

# The product's sources in the project's own style (.clang-format).
FORMATTED = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null | grep -v '^tests/\|^bench/')

format: deps
	clang-format -i $(FORMATTED)

format-check: deps
	clang-format --dry-run -Werror $(FORMATTED)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPENTARIX_BENCH=ON -DPENTARIX_TESTS=OFF
	cmake --build build-bench -j$(JOBS)
	cmake --build build-bench --target run-bench

install: build
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# The Debian package, left in $(BUILD) as pentarix_<version>_<arch>.deb.
deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-asan build-bench
