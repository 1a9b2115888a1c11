// The canvas at the largest whole number of device pixels per game pixel that fits the window
// with the controls (under it, or beside it where that gives a larger game), the keyboard on the
// game at once, and the game itself, which a page opened from a file cannot load (the browser
// refuses it the data beside it). Once the game shows, the page is kept for offline visits.
(function () {
    'use strict';
    const canvas = document.getElementById('screen');
    const main = document.querySelector('main');
    const controls = document.getElementById('controls');
    const margin = 16;
    function scaleFor(width, height) {
        const ratio = window.devicePixelRatio || 1;
        const across = Math.floor(width * ratio / canvas.width);
        const down = Math.floor(height * ratio / canvas.height);
        return Math.max(1, Math.min(across, down));
    }
    function fit() {
        main.classList.remove('side');
        const under = scaleFor(window.innerWidth - margin, window.innerHeight - controls.offsetHeight - margin);
        main.classList.add('side');
        const beside = scaleFor(window.innerWidth - controls.offsetWidth - margin, window.innerHeight - margin);
        main.classList.toggle('side', beside > under);
        const ratio = window.devicePixelRatio || 1;
        const scale = Math.max(under, beside);
        canvas.style.width = canvas.width * scale / ratio + 'px';
        canvas.style.height = canvas.height * scale / ratio + 'px';
    }
    window.addEventListener('resize', fit);
    window.addEventListener('gorubadon-layout', fit);
    fit();
    canvas.focus();
    canvas.addEventListener('click', () => canvas.focus());
    const loading = document.getElementById('loading');
    if (location.protocol === 'file:') {
        loading.hidden = true;
        document.getElementById('status').textContent =
            'This page needs a web server: run make run-web, or put the folder on any static web host.';
        return;
    }
    window.addEventListener('gorubadon-started', () => {
        loading.hidden = true;
        // After the first frame, so that the copy it keeps takes nothing from the start.
        if ('serviceWorker' in navigator) {
            navigator.serviceWorker.register('sw.js').catch(() => {});
        }
    });
    const game = document.createElement('script');
    game.src = 'gorubadon.js';
    document.body.appendChild(game);
})();
