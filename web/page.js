// The canvas at the largest whole number of device pixels per game pixel that fits the window
// with the lines under it, the keyboard on the game at once, and the game itself, which a page
// opened from a file cannot load (the browser refuses it the data beside it).
(function () {
    'use strict';
    const canvas = document.getElementById('screen');
    const main = document.querySelector('main');
    function fit() {
        const ratio = window.devicePixelRatio || 1;
        const room = main.offsetHeight - canvas.offsetHeight + 16;
        const across = Math.floor(window.innerWidth * ratio / canvas.width);
        const down = Math.floor((window.innerHeight - room) * ratio / canvas.height);
        const scale = Math.max(1, Math.min(across, down));
        canvas.style.width = canvas.width * scale / ratio + 'px';
        canvas.style.height = canvas.height * scale / ratio + 'px';
    }
    window.addEventListener('resize', fit);
    fit();
    canvas.focus();
    canvas.addEventListener('click', () => canvas.focus());
    if (location.protocol === 'file:') {
        document.getElementById('status').textContent =
            'This page needs a web server: run make run-web, or put the folder on any static web host.';
        return;
    }
    const game = document.createElement('script');
    game.src = 'gorubadon.js';
    document.body.appendChild(game);
})();
